#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace vantry;

namespace {
QImage filled(int w, int h, QColor c = Qt::gray)
{
    QImage img(w, h, image::workingFormat);
    img.fill(c);
    return img;
}
} // namespace

TEST(ImageCopy, ReducedCopiesKeepAspectAndNeverEnlarge)
{
    struct Case {
        QSize source;
        int max;
        std::optional<QSize> expected;
    };
    const Case cases[] = {
        {{3000, 2000}, 420, QSize(420, 280)},
        {{300, 200}, 420, QSize(300, 200)},
        {{1000, 1}, 100, QSize(100, 1)},
        {{300, 200}, 0, std::nullopt},
        {{300, 200}, -5, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto copy = ImageCopy::independentDownscaled(filled(c.source.width(), c.source.height()), c.max);
        EXPECT_EQ(copy ? std::optional<QSize>(copy->size()) : std::nullopt, c.expected);
        if (copy) {
            EXPECT_EQ(copy->format(), image::workingFormat);
        }
    }
    EXPECT_EQ(ImageCopy::independentDownscaled(QImage(), 10), std::nullopt);
    EXPECT_EQ(ImageCopy::jpegData(filled(10, 10), 0, 0.8), std::nullopt);
}

TEST(ImageCopy, JpegOfTransparentImageDecodesWithoutAlpha)
{
    QImage img = filled(64, 32, Qt::transparent);
    QPainter(&img).fillRect(0, 0, 32, 32, Qt::red);
    const auto bytes = ImageCopy::jpegData(img, 32, 0.8);
    ASSERT_TRUE(bytes);
    const auto decoded = image::decodeData(*bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(32, 16));
    const QColor left = decoded->pixelColor(4, 8), right = decoded->pixelColor(28, 8);
    EXPECT_GT(left.red(), 200);
    EXPECT_EQ(right.alpha(), 255);
    EXPECT_LT(right.red() + right.green() + right.blue(), 30); // composited onto black
}

TEST(ImageCopy, QuarterTurnsAreClockwise)
{
    // 200 x 100 with a red left edge.
    QImage img = filled(200, 100, Qt::white);
    QPainter(&img).fillRect(0, 0, 10, 100, Qt::red);
    const auto isRed = [](const QImage& i, int x, int y) { return i.pixelColor(x, y) == QColor(Qt::red); };

    for (int turns : {1, -3, 5}) {
        const QImage r = rotatedByQuarterTurns(img, turns);
        EXPECT_EQ(r.size(), QSize(100, 200)) << turns;
        EXPECT_TRUE(isRed(r, 50, 2)) << turns;   // the left edge is now at the top
        EXPECT_FALSE(isRed(r, 50, 197)) << turns;
    }
    const QImage half = rotatedByQuarterTurns(img, 2);
    EXPECT_EQ(half.size(), QSize(200, 100));
    EXPECT_TRUE(isRed(half, 197, 50));
    for (int turns : {0, 4, -4})
        EXPECT_EQ(rotatedByQuarterTurns(img, turns).constBits(), img.constBits()) << turns; // the image itself
}

TEST(ImageDecode, PngKeepsDpiAndUndecodableDataIsNone)
{
    const QByteArray png = image::encodePng(filled(8, 8), 300.0);
    const auto decoded = image::decodeData(png);
    ASSERT_TRUE(decoded);
    EXPECT_NEAR(decoded->dotsPerMeterX() * 0.0254, 300.0, 0.5);
    EXPECT_EQ(image::decodeData("not an image"), std::nullopt);
    EXPECT_EQ(image::decodeFile("/nonexistent/file.png"), std::nullopt);
}
