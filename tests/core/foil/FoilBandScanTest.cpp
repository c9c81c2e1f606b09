#include "core/foil/FoilBandScan.h"

#include "core/reading/CardCropper.h"
#include "support/GlyphImages.h"
#include "support/SyntheticScan.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace vantry;
using namespace vantry::test;

namespace {

constexpr QSize cardSize(600, 840); // glyphs of 8..26 px high pass the size gates

enum class Separator { star, dot, none };

// A collector line at `baseline`: letter-like bars "ABC", the separator, bars "EN" and
// more bars, each 16 px high, starting at x.
void drawCollectorLine(QImage& card, int top, int x, Separator separator, QColor ink, int letters = 3)
{
    for (int i = 0; i < letters; ++i, x += 13)
        drawRect(card, QRect(x, top, 9, 16), ink);
    x += 4;
    if (separator == Separator::star)
        drawStar(card, QPointF(x + 9, top + 8), 9.5, 3.6, ink);
    else if (separator == Separator::dot)
        drawDisc(card, QPointF(x + 9, top + 8), 5, ink);
    x += 24;
    for (int i = 0; i < 2; ++i, x += 13)
        drawRect(card, QRect(x, top, 9, 16), ink);
}

QImage card(Separator separator, bool lightOnDark = true, bool upsideDown = false, int letters = 3)
{
    const QColor ground = lightOnDark ? Qt::black : Qt::white;
    const QColor ink = lightOnDark ? Qt::white : Qt::black;
    QImage image = filledImage(cardSize, ground);
    drawRect(image, QRect(30, 30, 540, 640), QColor(90, 120, 160)); // the art box
    // Line 1 (rarity and number) above the line with the separator.
    for (int i = 0; i < 5; ++i)
        drawRect(image, QRect(30 + 13 * i, 752, 9, 16), ink);
    drawCollectorLine(image, 776, 30, separator, ink, letters);
    return upsideDown ? image.mirrored(true, true) : image;
}

FoilBandScan::Comp comp(int minX, int minY, int w, int h)
{
    return FoilBandScan::Comp{{}, minX, minY, w, h, w * h};
}

// The largest component of `mask` (w wide), as the fill returns it.
FoilBandScan::Comp largestComponent(const FoilBandScan::Mask& mask, int w, int h)
{
    const auto comps = FoilBandScan::components(mask, w, h);
    EXPECT_FALSE(comps.empty());
    FoilBandScan::Comp best;
    for (const auto& c : comps)
        if (c.area > best.area)
            best = c;
    return best;
}

} // namespace

TEST(FoilBandScan, StarGlyphOnSyntheticCards)
{
    struct Case {
        const char* name;
        QImage image;
        SeparatorGlyph expected;
    };
    const std::vector<Case> cases = {
        {"star, light on dark", card(Separator::star), SeparatorGlyph::star},
        {"dot, light on dark", card(Separator::dot), SeparatorGlyph::unknown},
        {"no separator", card(Separator::none), SeparatorGlyph::unknown},
        {"star, dark on light", card(Separator::star, false), SeparatorGlyph::star},
        {"dot, dark on light", card(Separator::dot, false), SeparatorGlyph::unknown},
        {"star, upside down", card(Separator::star, true, true), SeparatorGlyph::star},
        {"dot, upside down", card(Separator::dot, true, true), SeparatorGlyph::unknown},
        {"star, dark on light, upside down", card(Separator::star, false, true), SeparatorGlyph::star},
        {"too narrow", filledImage({20, 500}, Qt::black), SeparatorGlyph::unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FoilBandScan::starGlyph(c.image), c.expected) << c.name;
}

TEST(FoilBandScan, SparseLinesCountOnlyOnTheFirstTry)
{
    // A bar, the star and a bar: three glyph-sized components, no dense line.
    auto sparse = [](bool upsideDown) {
        QImage image = filledImage(cardSize, Qt::black);
        drawRect(image, QRect(30, 776, 9, 16), Qt::white);
        drawStar(image, QPointF(60, 784), 9.5, 3.6, Qt::white);
        drawRect(image, QRect(80, 776, 9, 16), Qt::white);
        return upsideDown ? image.mirrored(true, true) : image;
    };
    EXPECT_EQ(FoilBandScan::scanBand(sparse(false), 600, 840, false), (FoilBandScan::BandScan{false, true}));
    EXPECT_EQ(FoilBandScan::starGlyph(sparse(false)), SeparatorGlyph::star);
    EXPECT_EQ(FoilBandScan::starGlyph(sparse(true)), SeparatorGlyph::unknown);

    QImage two = filledImage(cardSize, Qt::black);
    drawStar(two, QPointF(60, 784), 9.5, 3.6, Qt::white);
    drawRect(two, QRect(80, 776, 9, 16), Qt::white);
    EXPECT_EQ(FoilBandScan::scanBand(two, 600, 840, false), (FoilBandScan::BandScan{false, false}));
}

TEST(FoilBandScan, DenseLineWithoutStarEndsTheSearch)
{
    // Light dense line without a star; the same band read dark-on-light would find the
    // dark star drawn into the light art box, but the first answer stands.
    QImage image = card(Separator::dot);
    drawRect(image, QRect(20, 700, 240, 40), Qt::white);
    for (int i = 0; i < 4; ++i)
        drawRect(image, QRect(30 + 13 * i, 712, 9, 16), Qt::black);
    drawStar(image, QPointF(100, 720), 9.5, 3.6, Qt::black);
    EXPECT_EQ(FoilBandScan::scanBand(image, 600, 840, true).foundStar, true);
    EXPECT_EQ(FoilBandScan::starGlyph(image), SeparatorGlyph::unknown);
}

TEST(FoilBandScan, GatesOnSizeShapeAndPosition)
{
    struct Case {
        const char* name;
        std::function<void(QImage&)> draw;
        bool found;
    };
    auto star = [](double x, double outer) {
        return [=](QImage& image) { drawStar(image, QPointF(x, 784), outer, outer * 0.38, Qt::white); };
    };
    // Spiky enough and hollow enough, but one notch only: a "U" is no star.
    auto letterU = [](QImage& image) {
        drawRect(image, QRect(50, 776, 4, 16), Qt::white);
        drawRect(image, QRect(62, 776, 4, 16), Qt::white);
        drawRect(image, QRect(50, 788, 16, 4), Qt::white);
    };
    const std::vector<Case> cases = {
        {"glyph size", star(60, 9.5), true},
        {"too short (under 0.9 % of the height)", star(60, 3.5), false},
        {"too tall (over 3.2 % of the height)", star(60, 17), false},
        {"right of 58 % of the band", star(190, 9.5), false},
        {"one notch", letterU, false},
    };
    // Four bars keep the line dense; the glyph under test varies.
    for (const Case& c : cases) {
        QImage image = filledImage(cardSize, Qt::black);
        for (int i = 0; i < 4; ++i)
            drawRect(image, QRect(80 + 20 * i, 776, 9, 16), Qt::white);
        c.draw(image);
        EXPECT_EQ(FoilBandScan::scanBand(image, 600, 840, false), (FoilBandScan::BandScan{true, c.found})) << c.name;
    }
}

TEST(FoilBandScan, BottomLinePrefersTheLowestDenseLine)
{
    using Comps = std::vector<FoilBandScan::Comp>;
    auto row = [](int top, int n) {
        Comps out;
        for (int i = 0; i < n; ++i)
            out.push_back(comp(10 * i, top + (i % 2), 8, 10));
        return out;
    };
    auto join = [](Comps a, const Comps& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case {
        const char* name;
        Comps comps;
        int expectedTop;
        std::size_t expectedSize;
        bool dense;
    };
    const std::vector<Case> cases = {
        {"both dense: lower", join(row(0, 4), row(30, 5)), 30, 5, true},
        {"lower sparse: upper dense", join(row(0, 4), row(30, 3)), 0, 4, true},
        {"none dense: last line", join(row(0, 2), row(30, 3)), 30, 3, false},
        // 6 px apart with median height 10: within 0.6 median heights, one line.
        {"close rows join", join(row(0, 2), row(6, 2)), 0, 4, true},
    };
    for (const Case& c : cases) {
        const auto line = FoilBandScan::bottomLineDense(c.comps);
        ASSERT_EQ(line.line.size(), c.expectedSize) << c.name;
        EXPECT_EQ(line.line.front().minY - (line.line.front().minY % 2 == 0 ? 0 : 1), c.expectedTop) << c.name;
        EXPECT_EQ(line.hasDense, c.dense) << c.name;
    }
}

TEST(FoilBandScan, ContourTraceAndShapeFeatures)
{
    // 3 x 3 square: eight border pixels clockwise from the top-left corner.
    {
        const int w = 5, h = 5;
        FoilBandScan::Mask mask(w * h, false);
        for (int y = 1; y <= 3; ++y)
            for (int x = 1; x <= 3; ++x)
                mask[y * w + x] = true;
        const auto outline = FoilBandScan::traceContour(largestComponent(mask, w, h), w);
        const std::vector<FoilBandScan::Point> expected = {{1, 1}, {2, 1}, {3, 1}, {3, 2},
                                                           {3, 3}, {2, 3}, {1, 3}, {1, 2}};
        EXPECT_EQ(outline, expected);
    }
    // An L: the walk goes down the stem, along the foot and back.
    {
        const int w = 4, h = 4;
        FoilBandScan::Mask mask(w * h, false);
        for (int i : {0, 4, 8, 9, 10})
            mask[i] = true;
        const auto outline = FoilBandScan::traceContour(largestComponent(mask, w, h), w);
        const std::vector<FoilBandScan::Point> expected = {{0, 0}, {0, 1}, {1, 2}, {2, 2},
                                                           {1, 2}, {0, 2}, {0, 1}};
        EXPECT_EQ(outline, expected);
    }
    // A single pixel has a one-point outline.
    {
        FoilBandScan::Mask mask(9, false);
        mask[4] = true;
        EXPECT_EQ(FoilBandScan::traceContour(largestComponent(mask, 3, 3), 3).size(), 1u);
    }
    auto features = [](const QImage& image) {
        const auto mask = FoilBandScan::whitenessMask(image);
        EXPECT_TRUE(mask);
        const auto c = largestComponent(*mask, image.width(), image.height());
        return FoilBandScan::starFeatures(c, FoilBandScan::traceContour(c, image.width()), image.width());
    };
    // A large filled square: circularity near pi / 4, no defects, solid.
    QImage square = filledImage({60, 60}, Qt::black);
    drawRect(square, QRect(10, 10, 40, 40), Qt::white);
    const auto sq = features(square);
    EXPECT_GT(sq.circularity, 0.62);
    EXPECT_LT(sq.circularity, 0.9);
    EXPECT_EQ(sq.defects, 0);
    EXPECT_GE(sq.solidity, 1.0);
    // A five-pointed star: five notches, spiky, hollow hull.
    QImage star = filledImage({60, 60}, Qt::black);
    drawStar(star, {30, 31}, 24, 9, Qt::white);
    const auto st = features(star);
    EXPECT_EQ(st.defects, 5);
    EXPECT_LT(st.circularity, 0.62);
    EXPECT_LT(st.solidity, 0.8);
    EXPECT_NEAR(st.aspect, 1.0, 0.15);
}

TEST(FoilBandScan, RenderedCardsInBothOrientations)
{
    struct Case {
        const char* name;
        bool foil;
        bool darkBorder;
        int quarterTurns;
        SeparatorGlyph expected;
    };
    const std::vector<Case> cases = {
        {"star, upright", true, true, 0, SeparatorGlyph::star},
        {"star, upside down", true, true, 2, SeparatorGlyph::star},
        {"star, light border", true, false, 0, SeparatorGlyph::star},
        {"star, light border, upside down", true, false, 2, SeparatorGlyph::star},
        {"bullet, upright", false, true, 0, SeparatorGlyph::unknown},
        {"bullet, upside down", false, true, 2, SeparatorGlyph::unknown},
        {"bullet, light border", false, false, 0, SeparatorGlyph::unknown},
    };
    for (const Case& c : cases) {
        SyntheticCard card = SyntheticCard::modern("Lightning Bolt", "M21", "0162", u'C', "EN", c.foil);
        card.darkBorder = c.darkBorder;
        card.quarterTurns = c.quarterTurns;
        EXPECT_EQ(FoilBandScan::starGlyph(CardCropper::cropCard(renderSyntheticScan(card))), c.expected) << c.name;
    }
}
