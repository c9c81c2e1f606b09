// Ingest throughput: synthetic 300-dpi scans through the whole pipeline (hashes, ledger,
// crop, thumbnail, zoom image, recognition, rows) with the work on the CPU pool. The
// marker recognizer measures the pipeline's own cost; Tesseract the real one. Counters:
// cards_per_s, main_ms_per_card (CPU time of the main thread), max_stall_ms (the longest
// gap between ticks of a 5 ms main-thread timer) with max_stall_cpu_ms (the main thread's own
// CPU time within such a gap), and resident memory of a 1,000-card batch, whole and per row
// (the scans are written one at a time, so the harness holds none of them). The real path:
// a feeder giving one page every 0.43 s (140 pages a minute), through the scanner
// controller into the batch's watched folder, or written by another program into a watched
// folder; last_page_to_last_row_ms runs from the last page to the last row.
// Run under `taskset -c 0,1` to see a two-core machine (the pool sizes itself from the
// cores it may use). The Tesseract run loads every pool thread's text engine before its clock
// starts and reads enough cards to keep a pool of several threads busy.
#include "app/batch/BatchSession.h"
#include "app/batch/CaptureViewModel.h"
#include "app/scanner/ScannerController.h"
#include "core/intake/FolderWatcher.h"
#include "core/intake/ScanFileListing.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/FakeScannerDevice.h"
#include "platform/ScanPageFile.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/support/CPUWork.h"
#include "core/support/ImageDecode.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/MarkerRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include <malloc.h>
#include <time.h>

using namespace vantry;

namespace {

constexpr int kDpi = 300;

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// "VmRSS" or "VmHWM" of this process in MiB.
double statusMiB(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// The longest time the main thread did not get to a 5 ms timer, and the most CPU time the
// main thread itself spent within one such gap (the rest of a gap is waiting for a core on a
// busy machine, not work of the pipeline).
class StallProbe {
public:
    StallProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 cpu = threadCpuNs();
            maxGapMs_ = std::max(maxGapMs_, since_.nsecsElapsed() / 1e6);
            maxGapCpuMs_ = std::max(maxGapCpuMs_, (cpu - cpuAtTick_) / 1e6);
            since_.restart();
            cpuAtTick_ = cpu;
        });
        since_.start();
        cpuAtTick_ = threadCpuNs();
        timer_.start();
    }
    double maxGapMs() const { return maxGapMs_; }
    double maxGapCpuMs() const { return maxGapCpuMs_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 cpuAtTick_ = 0;
    double maxGapMs_ = 0;
    double maxGapCpuMs_ = 0;
};

// Scanner pages of marked cards (the marker makes every page's pixels differ), one at a
// time: the card is rendered once and only its marker redrawn.
class MarkedPages {
public:
    MarkedPages()
    {
        test::SyntheticCard card;
        card.dpi = kDpi;
        base_ = test::renderSyntheticScan(card);
        const QSize cardSize = test::syntheticCardSize(kDpi);
        cardRect_ = QRectF(QPointF((base_.width() - cardSize.width()) / 2, (base_.height() - cardSize.height()) / 2),
                           QSizeF(cardSize));
    }
    QImage page(int i) const
    {
        QImage scan = base_.copy();
        test::drawRecognitionMarker(scan, cardRect_, i);
        return scan;
    }

private:
    QImage base_;
    QRectF cardRect_;
};

// `count` distinct scans of marked cards, as the scanner writes them (JPEG). Each page is
// written and dropped before the next is drawn, so a large folder costs the harness no memory.
std::vector<ScannedCard> markedScans(const QString& folder, int count)
{
    const MarkedPages pages;
    std::vector<ScannedCard> cards;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/scan-%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(image::encodeJpeg(pages.page(i), 0.9, kDpi)) < 0)
            return {};
        cards.push_back(ScannedCard{i, path, std::nullopt});
    }
    return cards;
}

// Readable cards for Tesseract: modern frames with distinct collector numbers.
std::vector<ScannedCard> readableScans(const QString& folder, int count)
{
    static const char* const titles[] = {"Goblin Guide", "Lightning Bolt", "Counterspell", "Llanowar Elves",
                                         "Dark Ritual", "Giant Growth", "Shock", "Opt"};
    std::vector<ScannedCard> cards;
    for (int i = 0; i < count; ++i) {
        auto card = test::SyntheticCard::modern(QString::fromLatin1(titles[i % 8]), QStringLiteral("DSK"),
                                                QStringLiteral("%1").arg(100 + i, 4, 10, QLatin1Char('0')), u'C');
        card.dpi = kDpi;
        const QString path = folder + QStringLiteral("/scan-%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        if (!test::saveSyntheticScan(card, path, "JPEG"))
            return {};
        cards.push_back(ScannedCard{i, path, std::nullopt});
    }
    return cards;
}

std::shared_ptr<const CardRecognizing> tesseractRecognizer()
{
    auto resolver = std::make_shared<test::RecordingResolver>();
    resolver->onSet = [](const QString& set, const QString& number, ScanFinish finish, const auto&) {
        return std::vector<Candidate>{
            test::makeCandidate(QStringLiteral("id-") + number, QStringLiteral("Card"), set, number, 0.97, finish)};
    };
    return std::make_shared<VisionCardRecognizer>(resolver, nullptr, [] { return false; });
}

std::shared_ptr<CaptureViewModel> makeModel(std::shared_ptr<const CardRecognizing> recognizer)
{
    CaptureViewModel::Collaborators c;
    c.recognizer = std::move(recognizer);
    c.resolver = std::make_shared<test::RecordingResolver>();
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    return CaptureViewModel::create(nullptr, std::move(c));
}

void runIngest(benchmark::State& state, const std::vector<ScannedCard>& cards,
               const std::function<std::shared_ptr<const CardRecognizing>()>& recognizer)
{
    double stall = 0, stallCpu = 0, mainNs = 0;
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto model = makeModel(recognizer());
        state.ResumeTiming();
        StallProbe probe;
        const qint64 cpuStart = threadCpuNs();
        test::waitFor(model->ingest(cards, IngestOptions{.append = false, .showProgress = true, .autoImport = false}));
        mainNs += double(threadCpuNs() - cpuStart);
        stall = std::max(stall, probe.maxGapMs());
        stallCpu = std::max(stallCpu, probe.maxGapCpuMs());
        rows = qint64(model->rows().size());
    }
    const double total = double(cards.size()) * double(state.iterations());
    state.counters["cards_per_s"] = benchmark::Counter(total, benchmark::Counter::kIsRate);
    state.counters["main_ms_per_card"] = mainNs / 1e6 / total;
    state.counters["max_stall_ms"] = stall;
    state.counters["max_stall_cpu_ms"] = stallCpu;
    state.counters["rows"] = double(rows);
    if (rows != qint64(cards.size()))
        state.SkipWithError("not every card became a row");
}

void BM_IngestMarkerRecognizer(benchmark::State& state)
{
    test::TempHome home;
    const auto cards = markedScans(home.path(), int(state.range(0)));
    if (cards.empty())
        return state.SkipWithError("could not write the scans");
    runIngest(state, cards, [] { return std::make_shared<test::MarkerRecognizer>(); });
}

// Every pool thread loads its text engine before the clock starts: a load is paid once per
// thread and process, and a short run would otherwise carry a load per pool thread.
void loadTextEngines()
{
    const int loads = 2 * CPUWork::width() + 2;
    auto loaded = std::make_shared<std::atomic<int>>(0);
    for (int i = 0; i < loads; ++i)
        CPUWork::submit([loaded] {
            (void)TesseractTextRecognizer::available();
            ++*loaded;
        });
    while (loaded->load() < loads)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void BM_IngestTesseract(benchmark::State& state)
{
    test::TempHome home;
    const auto cards = readableScans(home.path(), int(state.range(0)));
    if (cards.empty())
        return state.SkipWithError("could not write the scans");
    loadTextEngines();
    runIngest(state, cards, tesseractRecognizer);
}

// The first `count` marked pages, all in memory (for the feeders, whose pages are ready before
// the clock starts).
std::vector<QImage> markedPages(int count)
{
    const MarkedPages marked;
    std::vector<QImage> pages;
    for (int i = 0; i < count; ++i)
        pages.push_back(marked.page(i));
    return pages;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Runs the loop until every page is a row and ingest is idle; reports the time from the
// last page landing to the last row, and the main thread's longest stall.
void measureFeeder(benchmark::State& state, CaptureViewModel& model, int count,
                   const std::function<void(QElapsedTimer&, qint64& lastPageMs)>& startFeeding)
{
    StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    qint64 lastPageMs = -1;
    startFeeding(clock, lastPageMs);
    const qint64 limitMs = 430LL * count + 120'000;
    // Sleeps until an event comes (the probe's timer wakes it every 5 ms): the overload with a
    // time limit returns at once when nothing is queued, and spinning would take a core from
    // the pipeline.
    while ((qint64(model.rows().size()) < count || model.isWorking() || lastPageMs < 0) && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.counters["last_page_to_last_row_ms"] = double(clock.elapsed() - lastPageMs);
    state.counters["max_stall_ms"] = probe.maxGapMs();
    state.counters["max_stall_cpu_ms"] = probe.maxGapCpuMs();
    state.counters["rows"] = double(model.rows().size());
    if (qint64(model.rows().size()) != count)
        state.SkipWithError("not every page became a row");
}

// A direct scan at 140 pages a minute: a fake feeder hands the scanner controller one page
// every 0.43 s; the controller sharpens it and moves it into the watched folder, the
// batch's watcher (real poll interval) takes it in and ingest makes the row.
void BM_DirectScanFeeder(benchmark::State& state)
{
    test::TempHome home;
    const int count = int(state.range(0));
    const auto pages = markedPages(count);
    for (auto _ : state) {
        const QString folder = QDir(home.path()).filePath(QStringLiteral("direct"));
        QDir().mkpath(folder);
        auto model = makeModel(std::make_shared<test::MarkerRecognizer>());
        BatchSession::Parts parts;
        parts.viewModel = model;
        parts.watcher = std::make_unique<FolderWatcher>();
        parts.scanner = std::make_unique<ScannerController>(
            [] { return std::unique_ptr<ScannerBrowser>(std::make_unique<FakeScannerBrowser>()); });
        BatchSession session(std::move(parts), folder);
        FakeScannerDevice::Script script;
        script.pages = count;
        script.firstPageDelay = std::chrono::milliseconds(430);
        script.pageInterval = std::chrono::milliseconds(430);
        script.pageImage = [&pages](int n) { return pages[std::size_t(n - 1)]; };
        script.ownThread = true; // as a real driver, the device makes its pages on a thread of its own
        auto device = std::make_shared<FakeScannerDevice>(script, QtDelayScheduler::shared());
        session.watchFolder(folder);
        std::optional<QCoro::Task<ScannerController::ScanOutcome>> scan;
        measureFeeder(state, *model, count, [&](QElapsedTimer& clock, qint64& lastPageMs) {
            auto written = std::make_shared<int>(0);
            QObject::connect(device.get(), &ScannerDevice::pageWritten, [&clock, &lastPageMs, written, count] {
                if (++*written == count)
                    lastPageMs = clock.elapsed();
            });
            scan.emplace(session.scanner().scan(device, false, kDpi, folder));
        });
        session.close();
    }
}

// Pages written by another program (the scan app) at 140 a minute, on a thread of its own
// as another process would be: each is staged under a hidden name and moved into the
// watched folder finished. The watcher (default interval, the platform's folder events)
// hands each over once the events report it and its bytes reach their end marker.
void BM_WatchedFolderOtherWriter(benchmark::State& state)
{
    test::TempHome home;
    const int count = int(state.range(0));
    std::vector<QByteArray> bytes;
    for (const QImage& page : markedPages(count))
        bytes.push_back(png(page));
    for (auto _ : state) {
        const QString folder = QDir(home.path()).filePath(QStringLiteral("watched"));
        QDir().mkpath(folder);
        auto model = makeModel(std::make_shared<test::MarkerRecognizer>());
        FolderWatcher watcher;
        QObject::connect(&watcher, &FolderWatcher::cardsArrived, [model](const std::vector<ScannedCard>& cards) {
            model->ingest(cards, IngestOptions{.append = true, .showProgress = true, .autoImport = false});
        });
        watcher.start(folder);
        std::thread writer;
        measureFeeder(state, *model, count, [&](QElapsedTimer& clock, qint64& lastPageMs) {
            writer = std::thread([&clock, &lastPageMs, &bytes, folder, count] {
                const auto begin = std::chrono::steady_clock::now();
                for (int i = 0; i < count; ++i) {
                    std::this_thread::sleep_until(begin + std::chrono::milliseconds(430) * (i + 1));
                    const QString name = ScanPageFile::pageName(QStringLiteral("card"), i + 1);
                    ScanPageFile::place(ScanPageFile::stageBytes(folder, name, bytes[std::size_t(i)]).path);
                }
                const qint64 at = clock.elapsed();
                QMetaObject::invokeMethod(qApp, [&lastPageMs, at] { lastPageMs = at; }, Qt::QueuedConnection);
            });
        });
        writer.join();
        watcher.stop();
    }
}

// Resident memory once a large batch is in review (rows keep thumbnails and zoom JPEGs):
// the growth from before the run, and that growth per row.
void BM_BatchMemory(benchmark::State& state)
{
    test::TempHome home;
    const auto cards = markedScans(home.path(), int(state.range(0)));
    if (cards.empty())
        return state.SkipWithError("could not write the scans");
    malloc_trim(0); // what writing the scans freed is not the batch's
    const double before = statusMiB("VmRSS:");
    std::shared_ptr<CaptureViewModel> model;
    for (auto _ : state) {
        model = makeModel(std::make_shared<test::MarkerRecognizer>());
        test::waitFor(model->ingest(cards, IngestOptions{.append = false, .showProgress = true, .autoImport = false}));
    }
    const double rows = double(model ? model->rows().size() : 0);
    const double growth = statusMiB("VmRSS:") - before;
    state.counters["rss_MiB"] = statusMiB("VmRSS:");
    state.counters["peak_rss_MiB"] = statusMiB("VmHWM:");
    state.counters["rss_growth_MiB"] = growth;
    state.counters["rss_MiB_per_row"] = rows > 0 ? growth / rows : 0;
    state.counters["rows"] = rows;
}

} // namespace

// Memory first, so that the peak is this batch's and not a leftover of the others.
BENCHMARK(BM_BatchMemory)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IngestMarkerRecognizer)->Arg(60)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IngestTesseract)->Arg(48)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectScanFeeder)->Arg(40)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatchedFolderOtherWriter)->Arg(40)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The per-card log lines still go to the log file, not to the terminal.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "com.vantryfinance.capture.diag=false");
    QApplication app(argc, argv); // fonts for the renderer, an event loop for the pipeline
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
