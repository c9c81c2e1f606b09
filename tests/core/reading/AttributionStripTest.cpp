#include "core/reading/AttributionStrip.h"
#include "core/support/ImageDecode.h"

#include <gtest/gtest.h>

using namespace vantry;
using Edge = AttributionStrip::Edge;

TEST(AttributionStrip, Rectangles)
{
    EXPECT_EQ(AttributionStrip::stripRect(50, 100, Edge::top, 0.18), QRect(0, 0, 50, 18));
    EXPECT_EQ(AttributionStrip::stripRect(50, 100, Edge::bottom, 0.18), QRect(0, 82, 50, 18));
    EXPECT_EQ(AttributionStrip::stripRect(1, 100, Edge::top, 0.18), std::nullopt);
    EXPECT_EQ(AttributionStrip::stripRect(50, 100, Edge::top, 1.0), std::nullopt);
    EXPECT_EQ(AttributionStrip::stripRect(50, 100, Edge::top, 0.0), std::nullopt);
    EXPECT_EQ(AttributionStrip::stripRect(50, 2, Edge::top, 0.1), std::nullopt); // rounds to 0 rows
    EXPECT_EQ(AttributionStrip::bandRect(50, 100, 0.1, 0.2), QRect(0, 10, 50, 20));
    EXPECT_EQ(AttributionStrip::bandRect(50, 100, 0.9, 0.2), std::nullopt);
    EXPECT_EQ(AttributionStrip::bandRect(50, 100, -0.1, 0.2), std::nullopt);

    QImage img(50, 100, image::workingFormat);
    img.fill(Qt::white);
    const auto strip = AttributionStrip::upscaledStrip(img, Edge::bottom, 0.18, 3);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->size(), QSize(150, 54));
    EXPECT_EQ(AttributionStrip::upscaledStrip(img, Edge::bottom, 0.18, 0), std::nullopt);
    EXPECT_EQ(AttributionStrip::upscaledBand(img)->size(), QSize(150, 60));
    EXPECT_EQ(AttributionStrip::upscaledCrop(img, QRect(60, 0, 5, 5), 3), std::nullopt);
}

TEST(AttributionStrip, RemapsAndMerges)
{
    EXPECT_DOUBLE_EQ(AttributionStrip::remapLine({"x", 0.5, 0.1}, Edge::bottom).midY, 0.09);
    EXPECT_DOUBLE_EQ(AttributionStrip::remapLine({"x", 0.5, 0.1}, Edge::top).midY, 0.91);
    EXPECT_DOUBLE_EQ(AttributionStrip::remapLine({"x", 0.5, 0.1}, Edge::top).height, 0.018);
    EXPECT_DOUBLE_EQ(AttributionStrip::remapBandLine({"x", 0.5, 0.1}).midY, 0.8);
    EXPECT_DOUBLE_EQ(AttributionStrip::remapBandLine({"x", 0.5, 0.1}).height, 0.02);

    const auto merged = AttributionStrip::mergedLines({{"w", 0.5, 0.1}}, {{"b", 0.5, 0.1}}, {{"t", 0.5, 0.1}},
                                                      {{"i", 0.5, 0.1}});
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0].text, "b");
    EXPECT_EQ(merged[1].text, "t");
    EXPECT_EQ(merged[2].text, "i");
    EXPECT_EQ(merged[3], (OCRLine{"w", 0.5, 0.1}));
}

// The title bar and the collector strip come out grey, cut between their fractions, with
// faint print stretched over the full range.
TEST(AttributionStrip, FirstReadRegionsAreGreyAndStretched)
{
    QImage img(100, 200, image::workingFormat);
    img.fill(QColor(90, 90, 90));
    // Faint print: a pale grey bar in the title bar, another in the strip.
    for (int y = 8; y < 12; ++y)
        for (int x = 10; x < 60; ++x)
            img.setPixelColor(x, y, QColor(130, 130, 130));
    for (int y = 185; y < 190; ++y)
        for (int x = 10; x < 60; ++x)
            img.setPixelColor(x, y, QColor(130, 130, 130));
    const auto title = AttributionStrip::titleBar(img);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->format(), QImage::Format_Grayscale8);
    EXPECT_EQ(title->size(), QSize(200, 38));
    EXPECT_EQ(qGray(title->pixel(60, 12)), 255); // the print (y 8-11 of the card)
    EXPECT_EQ(qGray(title->pixel(180, 12)), 0);  // the frame
    // The strip: the bottom 17 rows, the left 55 columns (no legal line), enlarged three times.
    const auto strip = AttributionStrip::collectorStrip(img);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->size(), QSize(165, 51));
    EXPECT_EQ(qGray(strip->pixel(60, 12)), 255); // y 185-189 of the card
    EXPECT_EQ(qGray(strip->pixel(150, 40)), 0);
    EXPECT_EQ(AttributionStrip::normalisedGreyCrop(img, QRect(200, 0, 5, 5), 1), std::nullopt);
}

// Titles are printed dark over frames of any colour: the title bar is read from each pixel's
// brightest channel, so the hues of a frame come out alike and the print stays darkest.
TEST(AttributionStrip, TitleBarKeepsDarkPrintOverColouredFrames)
{
    QImage img(100, 200, image::workingFormat);
    img.fill(QColor(200, 40, 40)); // a red frame
    for (int y = 4; y < 20; ++y)
        for (int x = 50; x < 100; ++x)
            img.setPixelColor(x, y, QColor(40, 200, 40)); // a green patch of texture
    for (int y = 8; y < 12; ++y)
        for (int x = 10; x < 40; ++x)
            img.setPixelColor(x, y, QColor(20, 20, 20)); // the print
    const auto title = AttributionStrip::titleBar(img);
    ASSERT_TRUE(title);
    EXPECT_EQ(qGray(title->pixel(50, 12)), 0);                         // the print
    EXPECT_EQ(qGray(title->pixel(10, 12)), qGray(title->pixel(150, 12))); // red and green alike
    EXPECT_EQ(qGray(title->pixel(150, 12)), 255);
    // Luma tells the hues apart (the strip keeps it).
    const auto luma = AttributionStrip::normalisedGreyCrop(img, QRect(0, 4, 100, 19), 1);
    ASSERT_TRUE(luma);
    EXPECT_NE(qGray(luma->pixel(5, 2)), qGray(luma->pixel(70, 2)));
}

// The title line of a frame without a strip turns grey by each pixel's brightest channel:
// whatever the frame's colour, it comes out light and the black title dark (by luma a blue or
// green frame would be nearly as dark as the print).
TEST(AttributionStrip, TitleLineTurnsAColouredFrameLight)
{
    EXPECT_EQ(AttributionStrip::titleLineRect(100, 200), QRect(0, 7, 80, 13));
    struct Case {
        const char* name;
        QColor frame;
    };
    const std::vector<Case> cases{
        {"red", QColor(200, 40, 40)},
        {"green", QColor(40, 200, 40)},
        {"blue", QColor(40, 40, 200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage img(100, 200, image::workingFormat);
        img.fill(c.frame);
        for (int y = 9; y < 17; ++y) {
            for (int x = 5; x < 40; ++x)
                img.setPixelColor(x, y, QColor(20, 20, 20)); // the title
            for (int x = 50; x < 60; ++x)
                img.setPixelColor(x, y, Qt::white); // a highlight on the frame
        }
        const auto title = AttributionStrip::titleLine(img);
        ASSERT_TRUE(title);
        EXPECT_EQ(title->format(), QImage::Format_Grayscale8);
        EXPECT_EQ(title->size(), QSize(160, 26));
        EXPECT_LE(qGray(title->pixel(40, 10)), 10);  // the title
        EXPECT_GE(qGray(title->pixel(140, 10)), 170); // the frame
    }
}
