#include "build-art-index/ArtIndexBuilder.h"

#include "core/art/VisionArtCardMatcher.h"

#include "support/SyntheticArtCard.h"
#include "support/TempHome.h"

#include <QCoroTask>
#include <QFile>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

// From a folder of reference images to a file the application loads and matches with.
TEST(ArtIndexBuilder, BuildsAnIndexTheMatcherFindsScansIn)
{
    const TempHome home;
    const QImage first = renderArtCard(5, QStringLiteral("Goblin Guide"));
    const QImage second = renderArtCard(6, QStringLiteral("Lightning Bolt"));
    ASSERT_TRUE(first.save(home.file("aaa.png")));
    ASSERT_TRUE(second.save(home.file("pictures-bolt.jpg"), nullptr, 92));
    writeText(home.file("manifest.tsv"), "# id\tname\tset\tnumber\timage\n"
                                         "aaa\tGoblin Guide\tAMH1\t12\n"
                                         "\n"
                                         "bbb\tLightning Bolt\tAMH1\t7\tpictures-bolt.jpg\n");

    QString error;
    const auto sources = tools::readArtIndexManifest(home.file("manifest.tsv"), &error);
    ASSERT_TRUE(sources) << error.toStdString();
    ASSERT_EQ(sources->size(), 2u);
    EXPECT_EQ((*sources)[0].imagePath, home.file("aaa.png"));
    const auto index = tools::buildArtCardIndex(*sources, *VisionArtCardMatcher::shippedPrinter(), &error);
    ASSERT_TRUE(index) << error.toStdString();

    const QString cached = home.file(".local/share/Vantry Capture/art-card-index.bin");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(cached).absolutePath()));
    writeText(cached, index->encoded());
    testing::internal::CaptureStdout();
    const auto matcher = VisionArtCardMatcher::bundled({cached});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[art-match] loaded 2 art-series prints (dim 576)\n");
    ASSERT_TRUE(matcher);
    EXPECT_EQ(matcher->entries()[1].name, "Lightning Bolt");

    const auto candidates = QCoro::waitFor(
        matcher->match(simulateScan(second, {.dpi = 400, .skewDegrees = -1.0, .jpegQuality = 80}), ScanFinish::nonfoil));
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates[0].scryfallId, "bbb");
    EXPECT_EQ(candidates[0].collectorNumber, "7");
}

TEST(ArtIndexBuilder, RefusesIncompleteInput)
{
    const TempHome home;
    QImage flat(100, 140, QImage::Format_RGBA8888_Premultiplied);
    flat.fill(Qt::gray);
    ASSERT_TRUE(flat.save(home.file("flat.png")));
    writeText(home.file("corrupt.png"), "not an image");

    const struct {
        const char* what;
        QByteArray manifest;
    } badManifests[] = {
        {"too few fields", "aaa\tName\tSET\n"},
        {"no image for the id", "zzz\tName\tSET\t1\n"},
        {"image path missing", "aaa\tName\tSET\t1\tmissing.png\n"},
    };
    for (const auto& c : badManifests) {
        writeText(home.file("manifest.tsv"), c.manifest);
        QString error;
        EXPECT_FALSE(tools::readArtIndexManifest(home.file("manifest.tsv"), &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }

    for (const char* image : {"flat.png", "corrupt.png"}) {
        QString error;
        EXPECT_FALSE(tools::buildArtCardIndex({{"x", "X", "S", "1", home.file(image)}},
                                              *VisionArtCardMatcher::shippedPrinter(), &error))
            << image;
        EXPECT_TRUE(error.contains(QLatin1String(image))) << error.toStdString();
    }
}
