#include "platform/CardFeaturePrinter.h"

#include "support/SyntheticArtCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

using namespace vantry;
using namespace vantry::test;

namespace {

float distance(const std::vector<float>& a, const std::vector<float>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += double(a[i] - b[i]) * (a[i] - b[i]);
    return static_cast<float>(std::sqrt(sum));
}

// Scanner conditions across the supported range: 240-600 dpi, ±2° skew, colour casts,
// tone curves, noise and JPEG.
const std::vector<ScanConditions>& scanConditions()
{
    static const std::vector<ScanConditions> conditions{
        {.dpi = 240, .skewDegrees = 2.0, .gainR = 1.08, .gainG = 0.95, .gainB = 0.9, .offset = 6, .gamma = 0.9,
         .jpegQuality = 75, .noise = 3},
        {.dpi = 600, .skewDegrees = -2.0, .gainR = 0.92, .gainG = 1.0, .gainB = 1.1, .offset = -4, .gamma = 1.15,
         .jpegQuality = 85, .noise = 2},
        {.dpi = 300, .skewDegrees = 0.5, .gainR = 1.0, .gainG = 1.05, .gainB = 0.95, .offset = 3, .gamma = 1.0},
        {.dpi = 400, .skewDegrees = -1.0, .gainR = 1.1, .gainG = 1.1, .gainB = 1.1, .offset = 0, .gamma = 0.85,
         .jpegQuality = 60},
        {.dpi = 500, .skewDegrees = 1.5, .gainR = 0.9, .gainG = 0.9, .gainB = 0.85, .offset = 10, .gamma = 1.2,
         .noise = 4},
    };
    return conditions;
}

} // namespace

TEST(CardFeaturePrinter, VectorIsFixedLengthNormalisedAndDeterministic)
{
    const CardFeaturePrinter printer;
    const QImage card = renderArtCard(7, QStringLiteral("Goblin Guide"));
    const auto a = printer.featurePrint(card);
    const auto b = printer.featurePrint(card.copy());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), std::size_t(CardFeaturePrinter::kDimension));
    EXPECT_EQ(*a, *b);
    const double norm = std::sqrt(std::inner_product(a->begin(), a->end(), a->begin(), 0.0));
    EXPECT_NEAR(norm, 1.0, 1e-5);
}

TEST(CardFeaturePrinter, ImagesWithoutContentGiveNothing)
{
    const CardFeaturePrinter printer;
    QImage flat(200, 280, QImage::Format_RGBA8888_Premultiplied);
    flat.fill(QColor(128, 40, 200));
    QImage tiny(8, 8, QImage::Format_RGBA8888_Premultiplied);
    tiny.fill(Qt::white);
    EXPECT_FALSE(printer.featurePrint(QImage()));
    EXPECT_FALSE(printer.featurePrint(flat));
    EXPECT_FALSE(printer.featurePrint(tiny));
}

// Scans of a printing must lie well inside the matcher's 0.6 radius of their reference,
// scans of other printings outside it.
TEST(CardFeaturePrinter, ScansLieCloseToTheirOwnReferenceAndFarFromOthers)
{
    const CardFeaturePrinter printer;
    constexpr int cards = 8;
    std::vector<std::vector<float>> references;
    std::vector<QImage> images;
    for (int i = 0; i < cards; ++i) {
        images.push_back(renderArtCard(1000 + i * 7919, QStringLiteral("Card %1").arg(i)));
        references.push_back(*printer.featurePrint(images.back()));
    }
    std::vector<float> same;
    std::vector<float> different;
    for (int i = 0; i < cards; ++i) {
        for (const ScanConditions& conditions : scanConditions()) {
            const auto scan = printer.featurePrint(simulateScan(images[i], conditions));
            ASSERT_TRUE(scan);
            for (int j = 0; j < cards; ++j)
                (i == j ? same : different).push_back(distance(*scan, references[j]));
        }
    }
    std::sort(same.begin(), same.end());
    std::sort(different.begin(), different.end());
    std::printf("same printing: min %.3f median %.3f max %.3f | other printings: min %.3f median %.3f\n",
                same.front(), same[same.size() / 2], same.back(), different.front(), different[different.size() / 2]);
    EXPECT_LT(same.back(), 0.45f);
    EXPECT_GT(different.front(), 0.6f);
}

TEST(CardFeaturePrinter, ReducedCopyPrintsLikeTheScan)
{
    const CardFeaturePrinter printer;
    const QImage scan = simulateScan(renderArtCard(99, QStringLiteral("Reduced")), {.dpi = 600, .skewDegrees = 1.0});
    const QImage reduced = printer.reducedForPrinting(scan);
    EXPECT_LT(reduced.width(), scan.width() / 2);
    EXPECT_LT(distance(*printer.featurePrint(scan), *printer.featurePrint(reduced)), 0.01f);
    const QImage small = renderArtCard(99, QStringLiteral("Small"), 200, 280);
    EXPECT_EQ(printer.reducedForPrinting(small), small);
}
