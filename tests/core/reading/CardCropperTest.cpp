#include "core/reading/CardCropper.h"
#include "core/support/ImageDecode.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vantry;

namespace {

QImage canvas(int w, int h, QColor fill = QColor(10, 10, 10))
{
    QImage img(w, h, image::workingFormat);
    img.fill(fill);
    return img;
}

} // namespace

TEST(CardCropper, CropRectOnSmallImages)
{
    // 200 x 100: below 240 on the short side, so no sampling; pad = 100 * 0.012 = 1.2.
    QImage img = canvas(200, 100);
    QPainter(&img).fillRect(QRect(50, 20, 60, 40), Qt::white);
    EXPECT_EQ(CardCropper::cropRect(img, 45, 0.012), QRect(48, 18, 64, 44));
    // Padding clipped at the image edge.
    img = canvas(200, 100);
    QPainter(&img).fillRect(QRect(0, 0, 60, 40), Qt::white);
    EXPECT_EQ(CardCropper::cropRect(img, 45, 0.012), QRect(0, 0, 62, 42));
    // The threshold is strict: luma 45 does not count.
    EXPECT_EQ(CardCropper::cropRect(canvas(200, 100, QColor(45, 45, 45)), 45, 0.012), std::nullopt);

    struct Reject {
        const char* name;
        QRect card;
    };
    const std::vector<Reject> rejects{
        {"16 pixels wide", QRect(50, 20, 14, 60)}, // 14 + 2 * 1.2 -> 17 after rounding out... still too small
        {"share of 4% or less", QRect(50, 20, 20, 20)},
        {"share of 97% or more", QRect(0, 0, 200, 99)},
    };
    for (const auto& r : rejects) {
        QImage i = canvas(200, 100);
        QPainter(&i).fillRect(r.card, Qt::white);
        EXPECT_EQ(CardCropper::cropRect(i, 45, 0.0), std::nullopt) << r.name;
    }
}

TEST(CardCropper, TransparentPixelsCountAsBlack)
{
    QImage img(200, 100, QImage::Format_ARGB32);
    img.fill(QColor(255, 255, 255, 0));
    QPainter(&img).fillRect(QRect(50, 20, 60, 40), Qt::white);
    EXPECT_EQ(CardCropper::cropRect(img, 45, 0.0), QRect(50, 20, 60, 40));
}

TEST(CardCropper, BadImagesGiveNoCrop)
{
    const std::vector<QImage> images{QImage(), canvas(1, 1, Qt::white), canvas(1, 500, Qt::white),
                                     canvas(20000, 1, Qt::white), QImage(300, 200, QImage::Format_Grayscale16),
                                     QImage(300, 200, QImage::Format_Grayscale8)};
    for (const QImage& img : images) {
        QImage copy = img;
        if (!copy.isNull())
            copy.fill(Qt::white);
        EXPECT_EQ(CardCropper::cropRect(copy), std::nullopt);
        EXPECT_EQ(CardCropper::cropCard(copy), copy);
    }
    EXPECT_TRUE(looksLikeMultiFeed(0, 10));
    EXPECT_FALSE(looksLikeMultiFeed(55, 100));
    EXPECT_FALSE(looksLikeMultiFeed(92, 100));
    EXPECT_TRUE(looksLikeMultiFeed(549, 1000));
    EXPECT_TRUE(looksLikeMultiFeed(921, 1000));
}

TEST(CardCropper, GreyAndSixteenBitFilesCrop)
{
    test::TempHome home;
    QImage grey(300, 400, QImage::Format_Grayscale16);
    grey.fill(QColor(8, 8, 8));
    QPainter(&grey).fillRect(QRect(60, 80, 150, 210), QColor(200, 200, 200));
    const QString path = home.file("grey16.png");
    ASSERT_TRUE(grey.save(path));
    const auto crop = CardCropper::croppedImage(path);
    ASSERT_TRUE(crop);
    EXPECT_NEAR(crop->width(), 150 + 2 * 300 * 0.012, 2);
    EXPECT_NEAR(crop->height(), 210 + 2 * 300 * 0.012, 2);
}

TEST(CardCropper, UnreadableFilesGiveNothing)
{
    test::TempHome home;
    QFile empty(home.file("empty.png"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile junk(home.file("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image at all");
    junk.close();
    // A truncated PNG.
    ASSERT_TRUE(test::saveSyntheticScan(test::SyntheticCard{}, home.file("full.png")));
    QFile full(home.file("full.png"));
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    QFile cut(home.file("cut.png"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(full.read(full.size() / 20));
    cut.close();
    ASSERT_TRUE(QDir(home.path()).mkdir("folder.png"));

    for (const char* name : {"empty.png", "junk.jpg", "missing.png", "folder.png"})
        EXPECT_EQ(CardCropper::croppedImage(home.file(name)), std::nullopt) << name;
    // A truncated file may decode partly; it must not crash either way.
    (void)CardCropper::croppedImage(home.file("cut.png"));
}

TEST(CardCropper, CropsRenderedCards)
{
    test::TempHome home;
    for (int dpi : {300, 600}) {
        for (const QByteArray& format : {QByteArray("PNG"), QByteArray("JPEG")}) {
            test::SyntheticCard card;
            card.dpi = dpi;
            card.darkBorder = false;
            const QString path = home.file(QString("card-%1.%2").arg(dpi).arg(QString(format).toLower()));
            ASSERT_TRUE(test::saveSyntheticScan(card, path, format));
            const auto crop = CardCropper::croppedImage(path);
            ASSERT_TRUE(crop);
            // A light-bordered card: the crop is the card plus 1.2% of its short side each way.
            const QSize cardSize = test::syntheticCardSize(dpi);
            const double pad = 2 * 0.012 * (cardSize.width() + 2 * 0.2 * dpi);
            const double tolerance = 0.02 * cardSize.width();
            EXPECT_NEAR(crop->width(), cardSize.width() + pad, tolerance) << dpi << format.constData();
            EXPECT_NEAR(crop->height(), cardSize.height() + pad, tolerance) << dpi << format.constData();
            EXPECT_FALSE(looksLikeMultiFeed(crop->width(), crop->height()));
        }
    }
}
