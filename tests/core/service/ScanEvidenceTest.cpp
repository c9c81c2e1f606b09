#include "core/service/ScanEvidenceImage.h"
#include "core/service/ScanEvidenceUploadBuilder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>

using namespace vantry;

namespace {

// A dark scanner background with a bright card, or a plain fill.
QString writeScan(const QTemporaryDir& dir, const QString& name, QSize size, std::optional<QRect> card,
                  QColor fill = QColor(10, 10, 10))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    if (card) {
        QPainter p(&image);
        p.fillRect(*card, QColor(230, 220, 200));
    }
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

QSize jpegSize(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "jpeg");
    return reader.size();
}

} // namespace

TEST(ScanEvidenceImage, RendersTheCardOrTheWholeFrame)
{
    QTemporaryDir dir;
    const QString card = writeScan(dir, "card.png", {1000, 800}, QRect(300, 120, 400, 560));
    const QString dark = writeScan(dir, "dark.png", {600, 400}, std::nullopt);
    const QString big = writeScan(dir, "big.png", {4000, 3000}, std::nullopt, QColor(200, 200, 200));
    const QString junk = dir.filePath("junk.png");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an image");
    }

    const auto cropped = ScanEvidenceImage::jpegRender(card, 1600, 0.78);
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->variant, "card-crop");
    const QSize cropSize = jpegSize(cropped->imageData);
    // The card plus 1.2 % of the shorter side on each edge; never enlarged.
    EXPECT_NEAR(cropSize.width(), 420, 4);
    EXPECT_NEAR(cropSize.height(), 580, 4);

    const auto whole = ScanEvidenceImage::jpegRender(dark, 1600, 0.78);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->variant, "full-frame");
    EXPECT_EQ(jpegSize(whole->imageData), QSize(600, 400));

    const auto large = ScanEvidenceImage::jpegRender(big, 1600, 0.78);
    ASSERT_TRUE(large);
    EXPECT_EQ(jpegSize(large->imageData), QSize(1600, 1200));

    EXPECT_FALSE(ScanEvidenceImage::jpegRender(card, 0, 0.78));
    EXPECT_FALSE(ScanEvidenceImage::jpegRender(dir.filePath("missing.png"), 1600, 0.78));
    EXPECT_FALSE(ScanEvidenceImage::jpegRender(junk, 1600, 0.78));
    EXPECT_FALSE(ScanEvidenceImage::jpegRender(dir.path(), 1600, 0.78));
    EXPECT_EQ(ScanEvidenceImage::jpegData(card, 1600, 0.78), cropped->imageData);
}

TEST(ScanEvidenceUploadBuilder, OneUploadPerItemFromItsFirstRenderableScan)
{
    QTemporaryDir dir;
    const QString a = writeScan(dir, "a.png", {500, 400}, QRect(100, 60, 250, 300));
    const QString b = writeScan(dir, "b.png", {300, 200}, std::nullopt);
    const QString missing = dir.filePath("gone.png");
    const QString longHash = QString(200, QLatin1Char('f'));

    const auto result = ScanEvidenceUploadBuilder::build({
        {"item-b", missing, QString("hb")},     // first source of item-b is missing
        {"item-a", a, longHash},
        {"item-b", b, QString("")},             // used instead; empty hash is left out
        {"item-x", dir.filePath("nope.png"), std::nullopt},
        {"item-a", b, QString("ignored")},      // item-a already rendered
    });
    ASSERT_EQ(result.uploads.size(), 2u);
    EXPECT_EQ(result.failedPaths, std::vector<QString>{dir.filePath("nope.png")});

    const auto& first = result.uploads[0];
    EXPECT_EQ(first.itemId, "item-b");
    EXPECT_EQ(first.contentType, "image/jpeg");
    EXPECT_EQ(first.metadata, (StringDictionary{{"client", "vantry-capture"},
                                                {"image-variant", "full-frame"},
                                                {"source", "desktop-import"},
                                                {"source-file", "b.png"}}));
    const auto& second = result.uploads[1];
    EXPECT_EQ(second.itemId, "item-a");
    EXPECT_EQ(second.metadata.at("image-variant"), "card-crop");
    EXPECT_EQ(second.metadata.at("content-hash"), QString(128, QLatin1Char('f')));
    EXPECT_EQ(second.metadata.at("source-file"), "a.png");
    EXPECT_FALSE(second.imageData.isEmpty());

    EXPECT_EQ(ScanEvidenceUploadBuilder::build({}), ScanEvidenceUploadBuildResult{});
}

TEST(ScanEvidenceUploadBuilder, CutsCountUserPerceivedCharacters)
{
    // "e" + combining acute is one character; a flag is one character of two code points.
    const QString accented = QString::fromUtf8("e\xCC\x81");
    const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA");
    EXPECT_EQ(ScanEvidenceUploadBuilder::leadingCharacters(accented.repeated(3), 2), accented.repeated(2));
    EXPECT_EQ(ScanEvidenceUploadBuilder::leadingCharacters(flag + "abc", 2), flag + "a");
    EXPECT_EQ(ScanEvidenceUploadBuilder::leadingCharacters("short", 512), "short");
    EXPECT_EQ(ScanEvidenceUploadBuilder::leadingCharacters("", 3), "");
}
