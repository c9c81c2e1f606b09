#include "core/foil/FoilSeparator.h"

#include "support/GlyphImages.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantry;
using namespace vantry::test;

namespace {

SeparatorGlyph classify(const QImage& crop) { return FoilSeparator::classify(crop, 0.72, 0.85); }

std::vector<std::uint8_t> levels(std::initializer_list<std::pair<int, int>> valueCounts)
{
    std::vector<std::uint8_t> out;
    for (auto [value, count] : valueCounts)
        out.insert(out.end(), std::size_t(count), std::uint8_t(value));
    return out;
}

} // namespace

TEST(FoilSeparator, OtsuThreshold)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> grey;
        int expected;
    };
    const std::vector<Case> cases = {
        {"empty", {}, 127},
        {"single level", levels({{200, 50}}), 0},
        {"two levels split at the lower", levels({{10, 40}, {200, 60}}), 10},
        // 0|100,200 and 0,100|200 have the same between-class variance: the lower t wins.
        {"tie keeps the lowest", levels({{0, 1}, {100, 1}, {200, 1}}), 0},
        {"dark ground with a bright glyph", levels({{20, 300}, {30, 200}, {220, 40}, {240, 60}}), 30},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FoilSeparator::otsuThreshold(c.grey), c.expected) << c.name;
}

TEST(FoilSeparator, ClassifiesSyntheticGlyphs)
{
    struct Case {
        const char* name;
        QImage crop;
        SeparatorGlyph expected;
    };
    auto onBlack = [](QSize size) { return filledImage(size, Qt::black); };

    QImage star = onBlack({48, 48});
    drawStar(star, {24, 25}, 20, 8, Qt::white);
    QImage starOnBorderGrey = filledImage({48, 48}, QColor(40, 40, 40));
    drawStar(starOnBorderGrey, {24, 25}, 20, 8, QColor(230, 230, 230));
    QImage disc = onBlack({48, 48});
    drawDisc(disc, {24, 24}, 18, Qt::white);
    // Solidity about 0.8: between the star and dot limits.
    QImage ring = onBlack({48, 48});
    drawDisc(ring, {24, 24}, 20, Qt::white, 9.4);
    QImage bar = onBlack({60, 30});
    drawRect(bar, QRect(6, 10, 45, 12), Qt::white); // 45 x 12: aspect 3.75
    QImage tiny = onBlack({20, 20});
    drawRect(tiny, QRect(5, 5, 5, 3), Qt::white); // 15 pixels
    QImage smallSquare = onBlack({20, 20});
    drawRect(smallSquare, QRect(5, 5, 4, 4), Qt::white); // area 16 over a hull of 9
    QImage huge = onBlack({2001, 2000});
    drawDisc(huge, {1000, 1000}, 500, Qt::white);
    QImage line = onBlack({1, 40});
    QImage flat = filledImage({30, 30}, QColor(220, 220, 220));
    QImage blank = onBlack({30, 30});
    // Red has min(R, G, B) = 0: not bright for the classifier.
    QImage redDisc = onBlack({48, 48});
    drawDisc(redDisc, {24, 24}, 18, Qt::red);

    const std::vector<Case> cases = {
        {"star", star, SeparatorGlyph::star},
        {"star on a grey border", starOnBorderGrey, SeparatorGlyph::star},
        {"disc", disc, SeparatorGlyph::dot},
        {"ring", ring, SeparatorGlyph::unknown},
        {"bar", bar, SeparatorGlyph::unknown},
        {"tiny", tiny, SeparatorGlyph::unknown},
        {"small square", smallSquare, SeparatorGlyph::dot},
        {"huge", huge, SeparatorGlyph::unknown},
        {"one pixel wide", line, SeparatorGlyph::unknown},
        {"flat bright", flat, SeparatorGlyph::unknown},
        {"flat black", blank, SeparatorGlyph::unknown},
        {"red disc", redDisc, SeparatorGlyph::unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classify(c.crop), c.expected) << c.name;

    // The ring is unknown because its solidity lies between the limits, not by another gate.
    EXPECT_EQ(FoilSeparator::classify(ring, 0.85, 0.9), SeparatorGlyph::star);
    EXPECT_EQ(FoilSeparator::classify(ring, 0.5, 0.72), SeparatorGlyph::dot);
}

TEST(FoilSeparator, EqualBlobsKeepTheFirstInRowMajorOrder)
{
    QImage crop = filledImage({40, 40}, Qt::black);
    drawRect(crop, QRect(25, 2, 6, 6), Qt::white);  // first row-major, right
    drawRect(crop, QRect(2, 20, 6, 6), Qt::white);  // same size, lower left
    drawRect(crop, QRect(15, 30, 2, 2), Qt::white); // smaller
    const auto blob = FoilSeparator::largestWhiteBlob(crop);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->area, 36);
    EXPECT_EQ(blob->width, 6);
    EXPECT_EQ(blob->height, 6);
    EXPECT_EQ(blob->points.front(), std::make_pair(25, 2));
}

TEST(FoilSeparator, ConvexHullArea)
{
    using Points = std::vector<std::pair<int, int>>;
    struct Case {
        const char* name;
        Points points;
        double area;
    };
    Points square;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            square.emplace_back(x, y);
    const std::vector<Case> cases = {
        {"two points", {{0, 0}, {5, 5}}, 0},
        {"collinear", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 0},
        {"triangle", {{0, 0}, {4, 0}, {0, 3}}, 6},
        {"filled 4 x 4 between pixel centres", square, 9},
        {"inner points ignored", {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 5}, {3, 7}}, 100},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(FoilSeparator::convexHullArea(c.points), c.area) << c.name;
}

TEST(FoilSeparator, FinishOfGlyph)
{
    EXPECT_EQ(FoilSeparator::finish(SeparatorGlyph::star), ScanFinish::foil);
    EXPECT_EQ(FoilSeparator::finish(SeparatorGlyph::dot), ScanFinish::nonfoil);
    EXPECT_EQ(FoilSeparator::finish(SeparatorGlyph::unknown), std::nullopt);
}
