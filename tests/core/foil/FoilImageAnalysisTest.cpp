#include "core/foil/FoilImageAnalysis.h"

#include "core/foil/MoireDetector.h"
#include "support/GlyphImages.h"

#include <gtest/gtest.h>

#include <QTransform>

#include <cmath>
#include <numbers>

using namespace vantry;
using namespace vantry::test;

namespace {

// Vertical stripes one pixel wide: black at even x, white at odd x.
QImage stripes(QSize size)
{
    QImage image = filledImage(size, Qt::black);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 1; x < size.width(); x += 2)
            image.setPixel(x, y, qRgb(255, 255, 255));
    return image;
}

// A grey image whose level follows a cosine of `cycles` periods across its width.
QImage cosine(int size, int cycles)
{
    QImage image(size, size, QImage::Format_RGBA8888_Premultiplied);
    for (int x = 0; x < size; ++x) {
        const int v = int(std::lround(128 + 100 * std::cos(2 * std::numbers::pi * cycles * x / size)));
        for (int y = 0; y < size; ++y)
            image.setPixel(x, y, qRgb(v, v, v));
    }
    return image;
}

} // namespace

TEST(FoilImageAnalysis, ArtCropAndSamplingStep)
{
    EXPECT_EQ(FoilImageAnalysis::cropToArtRegion(filledImage({672, 936}, Qt::red)).size(), QSize(537, 336));
    // 0.8 x 3 and 0.36 x 2 truncate to an empty box: the whole image is used.
    EXPECT_EQ(FoilImageAnalysis::cropToArtRegion(filledImage({3, 2}, Qt::red)).size(), QSize(3, 2));

    struct Case {
        int w, h, step;
    };
    for (const Case& c : std::vector<Case>{{100, 100, 1}, {199, 201, 1}, {400, 400, 2}, {1000, 1000, 5}, {744, 1039, 4}})
        EXPECT_EQ(FoilImageAnalysis::samplingStep(c.w, c.h), c.step) << c.w << "x" << c.h;
}

TEST(FoilImageAnalysis, ColourAndHighlightStatistics)
{
    struct Case {
        const char* name;
        QImage image;
        ColorStats colour;
        SpecularStats highlights;
    };
    const double grey = 128 / 255.0;
    QImage halfRed = filledImage({10, 10}, Qt::black);
    drawRect(halfRed, QRect(0, 0, 10, 5), QColor(255, 0, 0));
    const double redLum = 0.299;
    const std::vector<Case> cases = {
        {"uniform mid grey", filledImage({50, 50}, QColor(128, 128, 128)), {0, grey, 0}, {grey, 0, 1.0 / 3, 0}},
        {"uniform black", filledImage({50, 50}, Qt::black), {0, 0, 0}, {0, 0, 0.33, 0}},
        {"uniform white", filledImage({50, 50}, Qt::white), {0, 1, 0}, {1, 0, 1.0 / 3, 1}},
        // 100 x 100 is sampled at every pixel: half black, half white.
        {"stripes, step 1", stripes({100, 100}), {0, 0.5, 0.5}, {1, 0, 1.0 / 3, 0.5}},
        // 400 x 400 is sampled at every second pixel: only the black columns.
        {"stripes, step 2", stripes({400, 400}), {0, 0, 0}, {0, 0, 0.33, 0}},
        {"half red", halfRed, {0.5, redLum / 2, redLum / 2}, {redLum, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        const auto colour = FoilImageAnalysis::computeColorStats(c.image);
        const auto highlights = FoilImageAnalysis::computeSpecularStats(c.image);
        ASSERT_TRUE(colour && highlights) << c.name;
        EXPECT_NEAR(colour->meanSaturation, c.colour.meanSaturation, 1e-9) << c.name;
        EXPECT_NEAR(colour->meanLuminance, c.colour.meanLuminance, 1e-9) << c.name;
        EXPECT_NEAR(colour->luminanceStdDev, c.colour.luminanceStdDev, 1e-6) << c.name;
        EXPECT_NEAR(highlights->brightLuminance, c.highlights.brightLuminance, 1e-9) << c.name;
        EXPECT_NEAR(highlights->brightSaturation, c.highlights.brightSaturation, 1e-9) << c.name;
        EXPECT_NEAR(highlights->brightBlueRatio, c.highlights.brightBlueRatio, 1e-9) << c.name;
        EXPECT_NEAR(highlights->specularFraction, c.highlights.specularFraction, 1e-9) << c.name;
    }
    EXPECT_FALSE(FoilImageAnalysis::computeColorStats(QImage()));
    EXPECT_FALSE(FoilImageAnalysis::computeSpecularStats(QImage()));
}

TEST(FoilImageAnalysis, HighlightsAreTheBrightestTenth)
{
    // 100 samples: 89 dark blue-free, 11 bright blue. p90 = sorted[90] is the first bright one.
    QImage image = filledImage({100, 1}, QColor(40, 40, 40));
    for (int x = 0; x < 11; ++x)
        image.setPixel(x * 9, 0, qRgb(200, 200, 255));
    const auto stats = FoilImageAnalysis::computeSpecularStats(image);
    ASSERT_TRUE(stats);
    EXPECT_NEAR(stats->brightBlueRatio, 255.0 / 655.0, 1e-9);
    EXPECT_NEAR(stats->brightSaturation, 55.0 / 255.0, 1e-9);
    EXPECT_NEAR(stats->specularFraction, 0.0, 1e-9);
}

TEST(FoilImageAnalysis, RadialSpectrumOfAPureFrequency)
{
    const auto spectrum = FoilImageAnalysis::radialPowerSpectrum(cosine(512, 20));
    ASSERT_TRUE(spectrum);
    ASSERT_EQ(spectrum->bins.size(), 256u);
    EXPECT_EQ(spectrum->nyquistBin, 256);
    // Bin 0 holds the mean level (only the DC term has radius 0); the cosine's energy sits at radius 20.
    const double mean = 128 / 255.0;
    EXPECT_NEAR(spectrum->bins[0], std::pow(mean * 512 * 512, 2), 0.01 * std::pow(mean * 512 * 512, 2));
    int peak = 1;
    for (int r = 1; r < 256; ++r)
        if (spectrum->bins[r] > spectrum->bins[peak])
            peak = r;
    EXPECT_EQ(peak, 20);
    EXPECT_GT(spectrum->bins[20], 1000 * spectrum->bins[30]);
    EXPECT_GT(MoireDetector::foilProminenceScore(spectrum->bins, spectrum->nyquistBin), 0.95);

    // Smaller images are scaled to 512 first: 10 cycles over 256 px land at radius 10.
    const auto scaled = FoilImageAnalysis::radialPowerSpectrum(cosine(256, 10));
    ASSERT_TRUE(scaled);
    EXPECT_EQ(std::max_element(scaled->bins.begin() + 1, scaled->bins.end()) - scaled->bins.begin(), 10);
    EXPECT_FALSE(FoilImageAnalysis::radialPowerSpectrum(QImage()));
}

TEST(FoilImageAnalysis, RadialSpectrumFoldsBothAxes)
{
    // The same wave across and down the image lands in the same radius with the same power:
    // negative frequencies (indices above 256) fold back in both directions.
    const QImage across = cosine(512, 20);
    QTransform quarter;
    quarter.rotate(90);
    const QImage down = across.transformed(quarter);
    const auto a = FoilImageAnalysis::radialPowerSpectrum(across);
    const auto d = FoilImageAnalysis::radialPowerSpectrum(down);
    ASSERT_TRUE(a && d);
    EXPECT_NEAR(d->bins[20] / a->bins[20], 1.0, 0.01);
    EXPECT_NEAR(d->bins[0] / a->bins[0], 1.0, 0.01);
}

TEST(FoilImageAnalysis, GreyRendering)
{
    QImage image = filledImage({8, 4}, Qt::black);
    drawRect(image, QRect(0, 0, 8, 2), Qt::white);
    const auto grey = FoilImageAnalysis::renderGrayscale(image, 4);
    ASSERT_TRUE(grey);
    ASSERT_EQ(grey->size(), 16u);
    // Rows first: the top half white, the bottom half black.
    EXPECT_FLOAT_EQ((*grey)[0], 1.0f);
    EXPECT_FLOAT_EQ((*grey)[7], 1.0f);
    EXPECT_FLOAT_EQ((*grey)[8], 0.0f);
    EXPECT_FLOAT_EQ((*grey)[15], 0.0f);
}
