// Art-card matching cost: the descriptor, the brute-force search over a 20,000-print index,
// one whole match of a card in four orientations (the budget is 50 ms), and the reading of
// a whole Art Series back against 20,000 prints (the budget is 50 ms of CPU, none of it on
// the main thread beyond scheduling).
#include "core/support/ImageCopy.h"
#include "core/art/ArtCardBackIndex.h"
#include "core/art/VisionArtCardMatcher.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/FakeTextRecognizer.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <random>

using namespace vantry;

namespace {

QImage cardImage(int width, int height)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> c(0, 255);
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(QColor(15, 15, 15));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 30; ++i) {
        painter.setBrush(QColor(c(rng), c(rng), c(rng)));
        painter.drawEllipse(QPointF(c(rng) * width / 255.0, c(rng) * height / 255.0), width * c(rng) / 1200.0,
                            height * c(rng) / 1200.0);
    }
    return image;
}

std::vector<float> randomUnitVector(std::mt19937& rng, int dimension)
{
    std::normal_distribution<float> n;
    std::vector<float> v(dimension);
    double norm = 0;
    for (float& x : v) {
        x = n(rng);
        norm += double(x) * x;
    }
    for (float& x : v)
        x = float(x / std::sqrt(norm));
    return v;
}

const ArtCardIndex& bigIndex()
{
    static const ArtCardIndex index = [] {
        std::mt19937 rng(11);
        ArtCardIndex out;
        out.revision = artCardFeaturePrintRevision;
        out.dimension = VisionArtCardMatcher::shippedPrinter()->dimension();
        for (int i = 0; i < 20000; ++i)
            out.entries.push_back({QString::number(i), QStringLiteral("Print %1").arg(i), QStringLiteral("ASET"),
                                   QString::number(i % 300), randomUnitVector(rng, int(out.dimension))});
        return out;
    }();
    return index;
}

void BM_Descriptor300dpi(benchmark::State& state)
{
    const QImage image = cardImage(744, 1039);
    for (auto _ : state)
        benchmark::DoNotOptimize(VisionArtCardMatcher::featurePrintVector(image));
}
BENCHMARK(BM_Descriptor300dpi)->Unit(benchmark::kMillisecond);

void BM_Descriptor600dpi(benchmark::State& state)
{
    const QImage image = cardImage(1490, 2080);
    for (auto _ : state)
        benchmark::DoNotOptimize(VisionArtCardMatcher::featurePrintVector(image));
}
BENCHMARK(BM_Descriptor600dpi)->Unit(benchmark::kMillisecond);

// Four orientations against 20,000 prints; one query lies near a print, as a real match does.
void BM_SearchFourOrientations20k(benchmark::State& state)
{
    const ArtCardIndex& index = bigIndex();
    std::mt19937 rng(3);
    std::vector<std::vector<float>> queries;
    for (int i = 0; i < 4; ++i)
        queries.push_back(randomUnitVector(rng, int(index.dimension)));
    queries[1] = index.entries[12345].vector;
    queries[1][0] += 0.1f;
    for (auto _ : state)
        benchmark::DoNotOptimize(index.nearestAcrossRotations(queries, 5, defaultArtCardMaxDistance));
}
BENCHMARK(BM_SearchFourOrientations20k)->Unit(benchmark::kMillisecond);

// The whole match as recognition calls it: four descriptors on the CPU pool, then the search.
void BM_MatchOneCard20k(benchmark::State& state)
{
    const VisionArtCardMatcher matcher(bigIndex());
    const int dpi = int(state.range(0));
    const QImage image = cardImage(744 * dpi / 300, 1039 * dpi / 300);
    for (auto _ : state)
        benchmark::DoNotOptimize(QCoro::waitFor(matcher.match(image, ScanFinish::nonfoil)));
}
BENCHMARK(BM_MatchOneCard20k)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond)->UseRealTime();

// Names built from syllables, one to three words, some double-faced: their words spread
// over the alphabet the way card names do.
QString madeUpName(std::mt19937& rng)
{
    static const char* const syllables[] = {"gob", "lin", "gui", "de", "light", "ning", "bolt", "dra", "gon",
                                            "ser", "ra", "an", "gel", "mer", "folk", "stor", "m", "cra",
                                            "wl", "ar", "ch", "ive", "sha", "dow", "ele", "men", "tal",
                                            "kra", "ken", "vo", "id", "ti", "tan", "ore", "ward", "en"};
    std::uniform_int_distribution<int> pick(0, int(std::size(syllables)) - 1);
    std::uniform_int_distribution<int> wordCount(1, 3);
    std::uniform_int_distribution<int> syllableCount(1, 4);
    QStringList words;
    for (int w = wordCount(rng); w > 0; --w) {
        QString word;
        for (int n = syllableCount(rng); n > 0 || word.size() < 4; --n)
            word += QLatin1String(syllables[pick(rng)]);
        word[0] = word[0].toUpper();
        words << word;
    }
    const QString name = words.join(u' ');
    return rng() % 10 == 0 ? name + QStringLiteral(" // ") + name : name;
}

const std::vector<ArtCardEntry>& namedEntries()
{
    static const std::vector<ArtCardEntry> entries = [] {
        std::mt19937 rng(17);
        std::vector<ArtCardEntry> out;
        for (int i = 0; i < 20000; ++i)
            out.push_back({QString::number(i), madeUpName(rng), QStringLiteral("A") + QString::number(i / 60),
                           QString::number(i % 60 + 1), {}});
        out[4321].name = QStringLiteral("Goblin Guide");
        out[4321].collectorNumber = QStringLiteral("12");
        return out;
    }();
    return entries;
}

// What the engine reads off an Art Series back: its lines upright, and with
// `numberRead` false the "N/M" missed, so that the back is also read turned both ways, each
// turn giving lines of letter noise that look like words.
std::vector<OCRLine> backLines(int turns, bool numberRead)
{
    std::vector<OCRLine> out;
    if (turns == 0) {
        for (const char* text : {"ART SERIES", "Goblin Guide", "Illustrated by Sandra Everingham", "12/54",
                                 "\u2122 & \u00a9 2021 Wizards of the Coast", "Modern Horizons Art Series"})
            if (numberRead || std::strcmp(text, "12/54") != 0)
                out.push_back({QString::fromUtf8(text), 0.5, 0.04});
        return out;
    }
    std::mt19937 rng(turns);
    for (int i = 0; i < 12; ++i)
        out.push_back({madeUpName(rng).toUpper() + QStringLiteral(" l1 ;"), 0.5, 0.04});
    return out;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// A whole back as recognition reads it (text engine faked, the turn told by the image's
// width), resolved against 20,000 prints: settled by the upright read (arg 0), or read in
// all four turns because its number was missed (arg 1). Counters: CPU of the whole process
// and of the main thread alone, per back.
void BM_ArtBackWhole20k(benchmark::State& state)
{
    // Prepared once, as the matcher keeps it for the life of the application.
    const auto index = std::make_shared<const ArtCardBackIndex>(namedEntries());
    index->resolve({});
    const bool numberRead = state.range(0) == 0;
    // The top-left pixel's red value tells the turn: 0, 1, 2, 3 quarter turns.
    const auto engine = std::make_shared<FakeTextRecognizer>([numberRead](const QImage& image) {
        return backLines(image.pixelColor(0, 0).red() / 10 - 1, numberRead);
    });
    QImage back(2, 2, QImage::Format_RGBA8888_Premultiplied);
    back.setPixelColor(0, 0, QColor(10, 0, 0));
    back.setPixelColor(0, 1, QColor(20, 0, 0));
    back.setPixelColor(1, 1, QColor(30, 0, 0));
    back.setPixelColor(1, 0, QColor(40, 0, 0));
    double mainCpu = 0;
    double allCpu = 0;
    for (auto _ : state) {
        const double main0 = threadCpuMs();
        const double all0 = processCpuMs();
        const auto resolution = QCoro::waitFor(VisionCardRecognizer::resolveArtTextSide(engine, back, {}, index));
        mainCpu += threadCpuMs() - main0;
        allCpu += processCpuMs() - all0;
        if (!resolution || resolution->exact.size() != (numberRead ? 1u : 0u) || resolution->nameMatches.empty())
            state.SkipWithError("the back did not resolve as expected");
        benchmark::DoNotOptimize(resolution);
    }
    state.counters["cpu_ms"] = benchmark::Counter(allCpu, benchmark::Counter::kAvgIterations);
    state.counters["main_cpu_ms"] = benchmark::Counter(mainCpu, benchmark::Counter::kAvgIterations);
}
// The one-time preparation of 20,000 prints for reading backs (on the first back read).
void BM_ArtBackIndexPrepare20k(benchmark::State& state)
{
    const auto entries = std::make_shared<const std::vector<ArtCardEntry>>(namedEntries());
    for (auto _ : state) {
        const ArtCardBackIndex index(entries);
        benchmark::DoNotOptimize(index.resolve({}));
    }
}
BENCHMARK(BM_ArtBackIndexPrepare20k)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ArtBackWhole20k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
