// Art-card matching cost: the descriptor, the brute-force search over a 20,000-print index,
// and one whole match of a card in four orientations (the budget is 50 ms).
#include "core/support/ImageCopy.h"
#include "core/art/VisionArtCardMatcher.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
