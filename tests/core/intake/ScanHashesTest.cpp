#include "core/intake/ScanHashes.h"
#include "core/intake/ScanRouting.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

QString sha(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

std::string str(const std::optional<QString>& h) { return h ? h->toStdString() : "none"; }

QByteArray chunk(const QByteArray& type, const QByteArray& data, qint64 claimedLength = -1)
{
    const quint32 n = quint32(claimedLength < 0 ? data.size() : claimedLength);
    QByteArray out;
    out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return out + type + data + QByteArray("CRC!");
}

const QByteArray signature("\x89PNG\r\n\x1a\n", 8);

QByteArray encodePng(const QImage& image, int compression, const QString& text = {})
{
    QImage copy = image;
    if (!text.isEmpty())
        copy.setText("Comment", text);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(compression); // the PNG writer maps quality to the zlib level
    EXPECT_TRUE(writer.write(copy));
    return bytes;
}

QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            image.setPixel(x, y, qRgb((x * 3) & 255, (y * 5) & 255, (state >> 16) & 63));
        }
    return image;
}

} // namespace

TEST(PngPixelHash, HashesImageDataChunksOnly)
{
    const QByteArray idatAbc = chunk("IDAT", "abc"), iend = chunk("IEND", "");
    struct Case {
        const char* what;
        QByteArray data;
        std::optional<QString> expected;
    };
    const std::vector<Case> cases{
        {"empty", QByteArray(), std::nullopt},
        {"signature only", signature, std::nullopt},
        {"jpeg", QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10), std::nullopt},
        {"no image data", signature + chunk("IHDR", QByteArray(13, 'h')) + iend, std::nullopt},
        {"two chunks, other chunks ignored",
         signature + chunk("IHDR", QByteArray(13, 'h')) + idatAbc + chunk("tEXt", "k\0v") + chunk("IDAT", "def") + iend,
         sha("abcdef")},
        {"data after IEND ignored", signature + idatAbc + iend + chunk("IDAT", "zzz"), sha("abc")},
        {"empty image data chunk", signature + chunk("IDAT", "") + iend, sha("")},
        {"chunk claims more than remains", signature + idatAbc + chunk("IDAT", "xyz", 100).left(8 + 3),
         sha("abcxyz")},
        {"huge length of another chunk", signature + idatAbc + chunk("zTXt", "q", 0xFFFFFFFFll), sha("abc")},
        {"header cut short", signature + idatAbc + QByteArray("\x00\x00", 2), sha("abc")},
        {"non-ascii type", signature + chunk("\xff\xfe\xfd\xfc", "q") + idatAbc, sha("abc")},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        EXPECT_EQ(str(pngPixelHash(c.data)), str(c.expected)) << c.what;
        const QString path = dir.filePath("f.png");
        writeFile(path, c.data);
        EXPECT_EQ(str(pngPixelHashOfFile(path)), str(c.expected)) << c.what << " (file)";
    }
    EXPECT_FALSE(pngPixelHashOfFile(dir.filePath("missing.png")).has_value());
    EXPECT_FALSE(pngPixelHashOfFile(dir.path()).has_value());
}

TEST(PngPixelHash, BlindToMetadataNotToEncoding)
{
    const QImage image = noise(64, 48);
    const std::string plain = str(pngPixelHash(encodePng(image, 50)));
    EXPECT_EQ(plain.size(), 64u);
    EXPECT_EQ(str(pngPixelHash(encodePng(image, 50, "scanned on tuesday"))), plain);
    EXPECT_NE(str(pngPixelHash(encodePng(image, 100))), plain);
}

TEST(ScanImageIdentityHash, DrawnSizeHeaderAndPremultipliedRows)
{
    auto expected = [](int w, int h, int dw, int dh, const QByteArray& pixel) {
        QByteArray input = QStringLiteral("scan-image-v1:%1x%2:%3x%4:rgba:").arg(w).arg(h).arg(dw).arg(dh).toUtf8();
        input += pixel.repeated(qsizetype(dw) * dh);
        return sha(input);
    };
    const QByteArray opaque("\x0a\x14\x1e\xff", 4);
    struct Case {
        int w, h, maxDimension, dw, dh;
    };
    const std::vector<Case> cases{
        {4000, 3000, 1600, 1600, 1200},
        {1000, 800, 1600, 1000, 800},
        {5000, 1, 1600, 1600, 1},
        {3, 5, 2, 1, 2}, // odd widths: rows carry no padding
    };
    for (const Case& c : cases) {
        QImage image(c.w, c.h, QImage::Format_RGB888);
        image.fill(QColor(10, 20, 30));
        EXPECT_EQ(scanImageIdentityHash(image, c.maxDimension), expected(c.w, c.h, c.dw, c.dh, opaque))
            << c.w << "x" << c.h;
    }

    // Half-transparent red is stored premultiplied.
    QImage translucent(2, 1, QImage::Format_ARGB32);
    translucent.fill(QColor(255, 0, 0, 128));
    EXPECT_EQ(scanImageIdentityHash(translucent, 1600), expected(2, 1, 2, 1, QByteArray("\x80\x00\x00\x80", 4)));

    EXPECT_FALSE(scanImageIdentityHash(QImage(), 1600).has_value());
    EXPECT_FALSE(scanImageIdentityHash(translucent, 0).has_value());
    EXPECT_FALSE(scanImageIdentityHash(translucent, -3).has_value());
}

TEST(DedupeByContentHash, FirstOfEachHashSurvivesUnhashableKept)
{
    const QHash<QString, QString> hashes{{"a", "h1"}, {"c", "h1"}, {"d", "h2"}, {"e", "h2"}};
    auto hasher = [&](const QString& p) -> std::optional<QString> {
        if (!hashes.contains(p))
            return std::nullopt;
        return hashes.value(p);
    };
    EXPECT_EQ(dedupeByContentHash({"a", "b", "c"}, hasher), (DedupeResult{{"a", "b"}, {"c"}}));
    EXPECT_EQ(dedupeByContentHash({"b", "x", "e", "d", "a", "c"}, hasher),
              (DedupeResult{{"b", "x", "e", "a"}, {"d", "c"}}));
}

TEST(RouteIntoFolder, FreeNamesNeverReplace)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out/nested");
    ASSERT_TRUE(QDir().mkpath(in));
    ASSERT_TRUE(QDir().mkpath(out));
    writeFile(in + "/card.png", "new card");
    writeFile(out + "/card.png", "old 1");
    writeFile(out + "/card (2).png", "old 2");
    writeFile(in + "/scan", "new scan");
    writeFile(out + "/scan", "old scan");
    writeFile(out + "/already.png", "here");
    ASSERT_TRUE(QDir(out).mkdir("taken (2).jpg"));
    writeFile(out + "/taken.jpg", "t");
    writeFile(in + "/taken.jpg", "new t");

    const QStringList moved = routeIntoFolder(
        {in + "/card.png", in + "/scan", out + "/already.png", in + "/taken.jpg"}, out + "/");
    EXPECT_EQ(moved, (QStringList{out + "/card (3).png", out + "/scan (2)", out + "/already.png", out + "/taken (3).jpg"}));
    auto read = [](const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    EXPECT_EQ(read(out + "/card (3).png"), "new card");
    EXPECT_EQ(read(out + "/card.png"), "old 1");
    EXPECT_EQ(read(out + "/scan"), "old scan");
    EXPECT_EQ(read(out + "/scan (2)"), "new scan");
    EXPECT_FALSE(QFile::exists(in + "/card.png"));

    // A destination that does not exist yet is created with its parents.
    writeFile(in + "/x.png", "x");
    EXPECT_EQ(routeIntoFolder({in + "/x.png"}, dir.filePath("a/b/c")), QStringList{dir.filePath("a/b/c/x.png")});
}

TEST(RouteIntoFolder, FailuresTellWhereEveryPageIs)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(in));
    writeFile(in + "/1.png", "1");
    writeFile(in + "/3.png", "3");
    writeFile(dir.filePath("plainfile"), "f");

    try {
        routeIntoFolder({in + "/1.png"}, dir.filePath("plainfile"));
        ADD_FAILURE() << "a file is no destination";
    } catch (const RouteError& e) {
        EXPECT_EQ(e.paths(), QStringList{in + "/1.png"});
        EXPECT_TRUE(QFile::exists(in + "/1.png"));
    }

    try {
        routeIntoFolder({in + "/1.png", in + "/2.png", in + "/3.png"}, out);
        ADD_FAILURE() << "a missing page cannot be moved";
    } catch (const RouteError& e) {
        EXPECT_EQ(e.paths(), (QStringList{out + "/1.png", in + "/2.png", in + "/3.png"}));
        EXPECT_TRUE(QFile::exists(out + "/1.png"));
        EXPECT_TRUE(QFile::exists(in + "/3.png"));
    }
}

TEST(RouteIntoFolder, LinkedPagesStillOpenAfterTheMove)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(in));
    writeFile(in + "/real.jpg", "page bytes");
    ASSERT_EQ(::symlink("real.jpg", QFile::encodeName(in + "/relative.jpg").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(in + "/real.jpg").constData(), QFile::encodeName(in + "/absolute.jpg").constData()), 0);

    const QStringList moved = routeIntoFolder({in + "/absolute.jpg", in + "/relative.jpg"}, out);
    ASSERT_EQ(moved, (QStringList{out + "/absolute.jpg", out + "/relative.jpg"}));
    for (const QString& page : moved) {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
        EXPECT_EQ(f.readAll(), "page bytes") << page.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(in + "/relative.jpg") || QFileInfo(in + "/relative.jpg").isSymLink());
    QFile original(in + "/real.jpg"); // what a link points at is not the link's to move
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), "page bytes");
}

TEST(RouteIntoFolder, SameFolderSpellings)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("scans");
    ASSERT_TRUE(QDir().mkpath(a));
    ASSERT_EQ(::symlink(QFile::encodeName(a).constData(), QFile::encodeName(dir.filePath("link")).constData()), 0);
    for (const QString& spelling : {a + "/", a + "/.", dir.filePath("./scans"), dir.filePath("x/../scans"),
                                    dir.filePath("link")})
        EXPECT_TRUE(isSameFolder(a, spelling)) << spelling.toStdString();
    EXPECT_FALSE(isSameFolder(a, dir.filePath("scans2")));
    EXPECT_FALSE(isSameFolder(a, a + "/sub"));
}

TEST(RouteIntoFolder, AcrossFileSystemsCopiesThenRemoves)
{
    QTemporaryDir dir;
    QTemporaryDir other(QStringLiteral("/dev/shm/vantry-route-XXXXXX"));
    struct stat a {}, b {};
    if (!other.isValid() || ::stat(QFile::encodeName(dir.path()).constData(), &a) != 0 ||
        ::stat(QFile::encodeName(other.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system here";
    writeFile(dir.filePath("page.png"), "page bytes");
    writeFile(other.filePath("page.png"), "already there");
    const QDateTime written = QFileInfo(dir.filePath("page.png")).lastModified();

    EXPECT_EQ(routeIntoFolder({dir.filePath("page.png")}, other.path()), QStringList{other.filePath("page (2).png")});
    EXPECT_FALSE(QFile::exists(dir.filePath("page.png")));
    QFile moved(other.filePath("page (2).png"));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), "page bytes");
    EXPECT_EQ(QFileInfo(moved.fileName()).lastModified(), written); // scan timing reads it
    QFile kept(other.filePath("page.png"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "already there");
}
