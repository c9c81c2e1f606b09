#include "platform/ScanPageFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantry;

namespace {

QImage page(int shade)
{
    QImage image(20, 28, QImage::Format_RGB888);
    image.fill(qRgb(shade, shade, shade));
    return image;
}

void touch(const QString& path, const QByteArray& bytes = "taken")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A staged page is invisible to a listing of images and carries the name it will get; the
// next page reserves the next free name even before the first is placed.
TEST(ScanPageFile, StagedPagesAreHiddenUntilPlacedOnce)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("card_0001.png")));
    ScanPageFile pages(dir.path(), QStringLiteral("card"));

    const auto first = pages.stage(page(10), 300);
    const auto second = pages.stage(page(20), 300);
    ASSERT_TRUE(first.error.isEmpty()) << first.error.toStdString();
    ASSERT_TRUE(second.error.isEmpty());
    EXPECT_EQ(ScanPageFile::stagedFinalName(first.path), QStringLiteral("card_0002.png"));
    EXPECT_EQ(ScanPageFile::stagedFinalName(second.path), QStringLiteral("card_0003.png"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"card_0001.png"}); // hidden while staged

    const auto placed = ScanPageFile::place(first.path);
    ASSERT_TRUE(placed.error.isEmpty()) << placed.error.toStdString();
    EXPECT_EQ(placed.path, dir.filePath(QStringLiteral("card_0002.png")));
    EXPECT_FALSE(QFile::exists(first.path));
    const QImage image(placed.path);
    EXPECT_EQ(image.pixel(0, 0), qRgb(10, 10, 10));
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300.0, 0.1);
    EXPECT_EQ(contents(dir.filePath(QStringLiteral("card_0001.png"))), QByteArray("taken"));
}

// A name taken between staging and placing is never replaced.
TEST(ScanPageFile, PlacingNeverReplacesAFileThatTookTheName)
{
    struct Case {
        const char* finalName;
        QStringList taken;
        const char* placedAs;
    };
    const Case cases[] = {
        {"card_0002.png", {}, "card_0002.png"},
        {"card_0002.png", {"card_0002.png"}, "card_0003.png"},
        {"card_0002.png", {"card_0002.png", "card_0003.png"}, "card_0004.png"},
        {"card_0009.png", {"card_0009.png"}, "card_0010.png"},
        {"card 1.png", {"card 1.png"}, "card 1 2.png"},
        {"scan.png", {"scan.png", "scan 2.png"}, "scan 3.png"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const auto staged = ScanPageFile::stageBytes(dir.path(), QString::fromUtf8(c.finalName), "page");
        ASSERT_TRUE(staged.error.isEmpty());
        for (const QString& name : c.taken)
            touch(dir.filePath(name));
        const auto placed = ScanPageFile::place(staged.path);
        ASSERT_TRUE(placed.error.isEmpty()) << c.finalName << ": " << placed.error.toStdString();
        EXPECT_EQ(QFileInfo(placed.path).fileName(), QString::fromUtf8(c.placedAs)) << c.finalName;
        EXPECT_EQ(contents(placed.path), QByteArray("page")) << c.finalName;
        for (const QString& name : c.taken)
            EXPECT_EQ(contents(dir.filePath(name)), QByteArray("taken")) << c.finalName;
    }
}

TEST(ScanPageFile, OnlyStagedNamesCarryAPageName)
{
    EXPECT_EQ(ScanPageFile::stagedFinalName(QStringLiteral("/x/.card_0001.png.a1B2c3.part")), QStringLiteral("card_0001.png"));
    EXPECT_EQ(ScanPageFile::stagedFinalName(QStringLiteral("/x/.card 1.2.png.a1B2c3.part")), QStringLiteral("card 1.2.png"));
    for (const char* name : {"/x/card_0001.png", "/x/.card-abcdef.part", "/x/.a1B2c3.part", "/x/.card_0001.png.a1B2c3"})
        EXPECT_TRUE(ScanPageFile::stagedFinalName(QString::fromUtf8(name)).isEmpty()) << name;
    EXPECT_FALSE(ScanPageFile::place(QStringLiteral("/x/card_0001.png")).error.isEmpty());
}
