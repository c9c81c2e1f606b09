// Scan intake costs: one watcher poll over a large folder (runs on the main thread every
// 1.5 s, so it must stay far below that) and the pixel hash of one 600-dpi page.
#include "core/intake/FolderWatcher.h"
#include "core/intake/ScanFileListing.h"
#include "core/intake/ScanHashes.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace vantry;

namespace {

QTemporaryDir& folderOf5000()
{
    static QTemporaryDir dir;
    static bool filled = false;
    if (!filled) {
        for (int i = 0; i < 5000; ++i) {
            QFile f(dir.filePath(QStringLiteral("Scan %1.png").arg(i)));
            if (f.open(QIODevice::WriteOnly))
                f.write("page");
        }
        filled = true;
    }
    return dir;
}

} // namespace

static void BM_ListImages5000(benchmark::State& state)
{
    const QString folder = folderOf5000().path();
    for (auto _ : state)
        benchmark::DoNotOptimize(listImageEntries(folder));
}
BENCHMARK(BM_ListImages5000)->Unit(benchmark::kMillisecond);

static void BM_WatcherQuietTick5000(benchmark::State& state)
{
    FolderWatcher watcher(std::chrono::hours(1));
    watcher.start(folderOf5000().path());
    for (auto _ : state)
        watcher.tick();
    watcher.stop();
}
BENCHMARK(BM_WatcherQuietTick5000)->Unit(benchmark::kMillisecond);

static void BM_PngPixelHash600dpiPage(benchmark::State& state)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath("page.png");
    if (!QFile::exists(path)) {
        QImage page(1490, 2080, QImage::Format_RGB32);
        quint32 seed = 1;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                page.setPixel(x, y, qRgb(x & 255, y & 255, int(seed >> 26)));
            }
        page.save(path);
    }
    state.counters["bytes"] = double(QFile(path).size());
    for (auto _ : state)
        benchmark::DoNotOptimize(pngPixelHashOfFile(path));
}
BENCHMARK(BM_PngPixelHash600dpiPage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The watcher logs its lines; keep them out of the user's log.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
