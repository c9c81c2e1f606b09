#include "core/intake/ImageFileEnd.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantry;

using test::encodedImage;

TEST(ImageFileEnd, ToldByTheBytesNotTheName)
{
    const QByteArray png = encodedImage("PNG");
    const QByteArray jpeg = encodedImage("JPEG");
    struct Case {
        const char* what;
        const char* name;
        QByteArray bytes;
        ImageFileEnd end;
    };
    const std::vector<Case> cases = {
        {"a whole PNG", "a.png", png, ImageFileEnd::complete},
        {"a PNG one byte short", "a.png", png.left(png.size() - 1), ImageFileEnd::truncated},
        {"a PNG cut in its image data", "a.png", png.left(png.size() / 2), ImageFileEnd::truncated},
        {"a PNG with bytes after its end", "a.png", png + QByteArray(4, '\0'), ImageFileEnd::truncated},
        {"a PNG of its signature only", "a.png", png.left(8), ImageFileEnd::truncated},
        {"a whole JPEG", "a.jpg", jpeg, ImageFileEnd::complete},
        {"a JPEG cut short", "a.jpg", jpeg.left(jpeg.size() - 1), ImageFileEnd::truncated},
        {"a JPEG named .png", "a.png", jpeg, ImageFileEnd::complete},
        {"a TIFF", "a.tif", encodedImage("TIFF"), ImageFileEnd::unknown},
        {"a BMP", "a.bmp", encodedImage("BMP"), ImageFileEnd::unknown},
        {"an empty file", "a.png", QByteArray(), ImageFileEnd::unknown},
        {"fewer bytes than a signature", "a.png", png.left(5), ImageFileEnd::unknown},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(c.name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        EXPECT_EQ(imageFileEnd(path), c.end);
    }
    EXPECT_EQ(imageFileEnd(dir.filePath("missing.png")), ImageFileEnd::unknown);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    EXPECT_EQ(imageFileEnd(dir.filePath("folder.png")), ImageFileEnd::unknown);
}
