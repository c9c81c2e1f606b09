// CPU cost of reading one card: decode, crop and the text passes, run one after another
// on this thread (the pool runs them in parallel; the sum is the CPU spent). The first read
// (collector strip and title bar) settles most cards; the rest is read when it does not.
#include "core/reading/AttributionStrip.h"
#include "core/reading/CardCropper.h"
#include "core/reading/TextPasses.h"
#include "platform/TesseractTextRecognizer.h"
#include "support/SyntheticScan.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vantry;

static void readCard(benchmark::State& state, bool everyPass)
{
    const int dpi = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath("card.png");
    auto card = test::SyntheticCard::modern("Goblin Guide", "DSK", "0255", u'L');
    card.dpi = dpi;
    if (!test::saveSyntheticScan(card, path)) {
        state.SkipWithError("render failed");
        return;
    }
    const TesseractTextRecognizer engine;
    (void)engine.recognizeLines(QImage(64, 64, QImage::Format_RGBA8888_Premultiplied)); // load the model
    for (auto _ : state) {
        const auto crop = CardCropper::croppedImage(path);
        size_t lines = TextPasses::ocrLines(engine, *AttributionStrip::collectorStrip(*crop)).size();
        lines += TextPasses::ocrLines(engine, *AttributionStrip::titleBar(*crop)).size();
        if (everyPass) {
            lines += TextPasses::ocrLines(engine, *crop).size();
            lines += TextPasses::ocrLines(engine, *AttributionStrip::upscaledBand(*crop)).size();
        }
        benchmark::DoNotOptimize(lines);
    }
}

static void BM_ReadCardFirstRead(benchmark::State& state) { readCard(state, false); }
static void BM_ReadCardEveryPass(benchmark::State& state) { readCard(state, true); }
BENCHMARK(BM_ReadCardFirstRead)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ReadCardEveryPass)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the renderer
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
