// Cost of sharpening one scanned page, and how the main thread fares during a direct scan
// through SANE's "test" backend.
#include "app/scanner/ScannerController.h"
#include "core/support/CaptureLog.h"
#include "core/support/UnsharpMask.h"
#include "platform/SaneScannerBrowser.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

using namespace vantry;

namespace {

// A card-sized page (63 x 88 mm) with texture, so the encoder has real work.
QImage cardPage(int dpi)
{
    const int w = int(63 / 25.4 * dpi), h = int(88 / 25.4 * dpi);
    QImage image(w, h, QImage::Format_RGB888);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < 3 * w; ++x)
            line[x] = uchar((x * 7 + y * 3) % 200 + random() % 40);
    }
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawText(QRect(w / 10, h * 8 / 10, w / 2, h / 10), QStringLiteral("L 0255 DSK • EN"));
    painter.end();
    image.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    return image;
}

void BM_UnsharpMask(benchmark::State& state)
{
    const QImage page = cardPage(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(unsharpMask(page, 2.5, 0.35));
}
BENCHMARK(BM_UnsharpMask)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

// The whole per-page step: decode the PNG, sharpen, encode, replace the file.
void BM_SharpenInPlace(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("card_0001.png"));
    cardPage(int(state.range(0))).save(path, "PNG");
    for (auto _ : state)
        ScannerController::sharpenInPlace(path);
}
BENCHMARK(BM_SharpenInPlace)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond)->Iterations(5);

// A 10-page 300-dpi feeder scan of card-sized pages; reports the longest pause of the main
// thread's event loop and the heartbeat's stall lines.
void BM_TestBackendScan(benchmark::State& state)
{
    QTemporaryDir config, home, out;
    {
        QFile dll(config.filePath(QStringLiteral("dll.conf")));
        dll.open(QIODevice::WriteOnly);
        dll.write("test\n");
        QFile test(config.filePath(QStringLiteral("test.conf")));
        test.open(QIODevice::WriteOnly);
        test.write("number_of_devices 1\nmode Color\ntest-picture \"Color pattern\"\n"
                   "geometry_min 0.0\ngeometry_max 88.0\nbr_x 63.0\nbr_y 88.0\n");
    }
    qputenv("SANE_CONFIG_DIR", config.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());

    for (auto _ : state) {
        ScannerController controller;
        controller.startBrowsing();
        QElapsedTimer waited;
        waited.start();
        while (controller.devices().isEmpty() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (controller.devices().isEmpty()) {
            state.SkipWithError("no test device");
            return;
        }
        CaptureLog::startHeartbeat();
        qint64 maxGap = 0;
        QElapsedTimer tick;
        tick.start();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            maxGap = std::max(maxGap, tick.restart());
        });
        probe.start(20);
        bool done = false;
        int pages = 0;
        auto run = [&]() -> QCoro::Task<> {
            auto outcome = co_await controller.scan(controller.devices().first(), false, 300, out.path());
            pages = int(outcome.pages.size());
            done = true;
        };
        auto task = run();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        probe.stop();
        CaptureLog::flush();
        QFile log(CaptureLog::filePath());
        log.open(QIODevice::ReadOnly);
        state.counters["pages"] = pages;
        state.counters["maxMainGapMs"] = double(maxGap);
        state.counters["stallLines"] = double(QString::fromUtf8(log.readAll()).count(QStringLiteral("main thread blocked")));
    }
}
BENCHMARK(BM_TestBackendScan)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
