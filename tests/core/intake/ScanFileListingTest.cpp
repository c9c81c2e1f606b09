#include "core/intake/FolderImporter.h"
#include "core/intake/LiveScanBuffer.h"
#include "core/intake/ScanFileListing.h"
#include "core/intake/ScanFileOrder.h"

#include "core/support/CaptureLog.h"
#include "support/TempHome.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantry;

namespace {

// A file named by raw bytes, which need not be UTF-8.
void touchRaw(const QString& folder, const QByteArray& name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
}

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(content);
}

QStringList names(const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out.append(ScanFileOrder::fileName(p));
    return out;
}

QString readLog()
{
    CaptureLog::flush();
    QFile f(CaptureLog::filePath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(ScanFileOrder, CaseInsensitiveDigitRunsByValue)
{
    struct Case {
        const char* a;
        const char* b;
        bool before;
    };
    const std::vector<Case> cases{
        {"scan 2.png", "scan 10.png", true},  {"scan 10.png", "scan 2.png", false},
        {"Scan 3.png", "scan 4.png", true},   {"page 9.png", "Page 11.png", true},
        {"a.png", "A.png", false},            {"A.png", "a.png", false},
        {"scan 007.png", "scan 7.png", false}, {"scan 99999999999999999999.png", "scan 100000000000000000000.png", true},
        {"card.png", "card 1.png", false},    {"b", "a10", false},
        {"x", "x1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanFileOrder::before(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.before)
            << c.a << " vs " << c.b;
}

TEST(ScanFileListing, FiltersAndOrdersAndCountsEntries)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    touch(d + "/b.PNG");
    touch(d + "/a.jpg");
    touch(d + "/._a.jpg");
    touch(d + "/notes.txt");
    touch(d + "/.DS_Store");
    EXPECT_EQ(names(listImages(d)), (QStringList{"a.jpg", "b.PNG"}));
    EXPECT_EQ(imageListingDiagnostics(d), (ImageListingDiagnostics{5, 2, 1}));

    QTemporaryDir empty;
    EXPECT_TRUE(listImages(empty.path()).isEmpty());
    EXPECT_EQ(imageListingDiagnostics(empty.path()), (ImageListingDiagnostics{0, 0, 0}));
    EXPECT_TRUE(cardsFromFolder(empty.path(), ScanSides::duplex).empty());
}

TEST(ScanFileListing, OnlyRegularFilesAndLinksToThemArePages)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    touch(d + "/page 10.png");
    touch(d + "/page 9.png");
    touch(d + "/Page 11.TIFF");
    touch(d + "/scan ünïcode ✓.webp");
    touch(d + "/noextension");
    touch(d + "/target.data");
    ASSERT_TRUE(QDir(d).mkdir("folder.png"));
    ASSERT_EQ(::symlink("target.data", QFile::encodeName(d + "/linked.bmp").constData()), 0);
    ASSERT_EQ(::symlink("missing.png", QFile::encodeName(d + "/broken.png").constData()), 0);
    ASSERT_EQ(::symlink("folder.png", QFile::encodeName(d + "/dirlink.jpg").constData()), 0);
    ::mkfifo(QFile::encodeName(d + "/pipe.png").constData(), 0600);

    EXPECT_EQ(names(listImages(d)),
              (QStringList{"linked.bmp", "page 9.png", "page 10.png", "Page 11.TIFF", "scan ünïcode ✓.webp"}));
    const ImageListingDiagnostics diag = imageListingDiagnostics(d);
    EXPECT_EQ(diag.totalEntries, 11);
    EXPECT_EQ(diag.scanImages, 5);
    EXPECT_EQ(diag.hiddenImageSidecars, 0);
    EXPECT_EQ(listImages(d).first(), d + "/linked.bmp");
}

TEST(ScanFileListing, UnreadableFolderThrows)
{
    QTemporaryDir dir;
    EXPECT_THROW(listImages(dir.path() + "/missing"), ScanFolderError);
    EXPECT_THROW(imageListingDiagnostics(dir.path() + "/missing"), ScanFolderError);
    touch(dir.path() + "/file.png");
    EXPECT_THROW(listImages(dir.path() + "/file.png"), ScanFolderError);
    if (::geteuid() != 0) {
        ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
        ::chmod(QFile::encodeName(dir.path() + "/locked").constData(), 0);
        EXPECT_THROW(listImages(dir.path() + "/locked"), ScanFolderError);
        ::chmod(QFile::encodeName(dir.path() + "/locked").constData(), 0700);
    }
}

TEST(ScanPairing, SingleAndDuplex)
{
    const QStringList pages{"p1", "p2", "p3", "p4", "p5"};
    const std::vector<ScannedCard> duplex = pairImages(pages, ScanSides::duplex);
    ASSERT_EQ(duplex.size(), 3u);
    EXPECT_EQ(duplex[0], (ScannedCard{0, "p1", QString("p2")}));
    EXPECT_EQ(duplex[1], (ScannedCard{1, "p3", QString("p4")}));
    EXPECT_EQ(duplex[2], (ScannedCard{2, "p5", std::nullopt}));

    const std::vector<ScannedCard> single = pairImages(pages, ScanSides::single);
    ASSERT_EQ(single.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(single[size_t(i)], (ScannedCard{i, pages[i], std::nullopt}));
    EXPECT_TRUE(pairImages({}, ScanSides::duplex).empty());
}

TEST(ScanPairing, PartitionFreshScans)
{
    const FreshScans r = partitionFreshScans({"a", "b"}, {"a", "x"});
    EXPECT_EQ(r.fresh, QStringList{"b"});
    EXPECT_EQ(r.updatedSeen, (QSet<QString>{"a", "b"}));

    const FreshScans gone = partitionFreshScans({}, {"a"});
    EXPECT_TRUE(gone.fresh.isEmpty());
    EXPECT_TRUE(gone.updatedSeen.isEmpty());
    // A name that left and came back is fresh again.
    EXPECT_EQ(partitionFreshScans({"a"}, gone.updatedSeen).fresh, QStringList{"a"});
}

TEST(LiveScanBuffer, GroupsPagesAndIgnoresRepeats)
{
    LiveScanBuffer duplex(ScanSides::duplex);
    EXPECT_TRUE(duplex.push("p1").empty());
    EXPECT_TRUE(duplex.push("p1").empty());
    const auto groups = duplex.push("p2");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0], (QStringList{"p1", "p2"}));
    EXPECT_TRUE(duplex.push("p3").empty());
    const auto flushed = duplex.flush();
    ASSERT_EQ(flushed.size(), 1u);
    EXPECT_EQ(flushed[0], QStringList{"p3"});
    EXPECT_TRUE(duplex.flush().empty());
    EXPECT_TRUE(duplex.push("p3").empty());
    EXPECT_TRUE(duplex.pending().isEmpty());

    LiveScanBuffer single(ScanSides::single);
    EXPECT_EQ(single.push("a"), (std::vector<QStringList>{{"a"}}));
}

namespace {

class AnsweringPicker final : public FolderPicker {
public:
    std::optional<QString> answer;
    QString prompt, message;
    QCoro::Task<std::optional<QString>> pickFolder(QString p, QString m) override
    {
        prompt = p;
        message = m;
        co_return answer;
    }
};

} // namespace

TEST(FolderImporter, CardsLogLineAndPicker)
{
    test::TempHome home;
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Scans 100%1";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* n : {"s 1.png", "s 2.png", "s 10.png", "._s 1.png"})
        touch(folder + "/" + n);

    const std::vector<ScannedCard> cards = FolderImporter::cards(folder, true);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0], (ScannedCard{0, folder + "/s 1.png", folder + "/s 2.png"}));
    EXPECT_EQ(cards[1], (ScannedCard{1, folder + "/s 10.png", std::nullopt}));
    EXPECT_TRUE(readLog().contains("folder-import Scans 100%1 entries=4 images=3 hiddenSidecars=1 duplex=true\n"));

    const QString before = readLog();
    EXPECT_TRUE(FolderImporter::cards(dir.path() + "/missing", false).empty());
    EXPECT_EQ(readLog(), before);

    AnsweringPicker picker;
    picker.answer = folder;
    EXPECT_EQ(QCoro::waitFor(FolderImporter::pickFolder(picker, "Watch", "Choose the scan folder")), folder);
    EXPECT_EQ(picker.prompt, "Watch");
    picker.answer.reset();
    EXPECT_FALSE(QCoro::waitFor(FolderImporter::pickFolder(picker, "Import", "m")).has_value());
}

TEST(FolderImporter, APageWhoseNameIsNotUtf8IsLeftOutAndNamedAndNeverShiftsTheDuplexPairs)
{
    test::TempHome home;
    QTemporaryDir dir;
    const QString folder = dir.path() + "/Scans";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* n : {"p1.png", "p2.png", "p4.png", "p5.png", "p6.png"})
        touch(folder + "/" + n);
    touchRaw(folder, "p3\xff.png"); // Latin-1 bytes from an old scanner or a copied archive
    const QString shown = QStringLiteral("p3\uFFFD.png");
    const LeftOutScanFile badName{shown, LeftOutReason::nameNotUtf8, "p3\xff.png"};

    struct Case {
        bool duplex;
        std::vector<ScannedCard> cards;
        std::vector<LeftOutScanFile> leftOut;
    };
    const auto at = [&](const char* n) { return folder + "/" + n; };
    const std::vector<Case> cases = {
        {false,
         {{0, at("p1.png"), {}}, {1, at("p2.png"), {}}, {2, at("p4.png"), {}}, {3, at("p5.png"), {}},
          {4, at("p6.png"), {}}},
         {badName}},
        // p3 is the front of the second card: its back p4 goes with it, p5/p6 stay a pair.
        {true,
         {{0, at("p1.png"), at("p2.png")}, {1, at("p5.png"), at("p6.png")}},
         {badName, {"p4.png", LeftOutReason::otherSideLeftOut, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duplex ? "duplex" : "single");
        const FolderImporter::FolderScan scan = FolderImporter::scan(folder, c.duplex);
        EXPECT_EQ(scan.cards, c.cards);
        EXPECT_EQ(scan.leftOut, c.leftOut);
    }
    EXPECT_TRUE(readLog().contains("folder-import Scans LEFT OUT " + shown +
                                   ": its file name is not valid UTF-8 \u2014 rename it\n"));
    EXPECT_EQ(leftOutSummary({badName}), "1 file left out: " + shown + " (its file name is not valid UTF-8 \u2014 rename it)");
    // Qt's own removal of the folder cannot name it either.
    ::unlink(QByteArray(QFile::encodeName(folder) + "/p3\xff.png").constData());
}

TEST(LeftOutScanFile, SummaryNamesAtMostThreeFilesWithTheirReasons)
{
    const LeftOutScanFile big{"big.png", LeftOutReason::tooLarge, {}};
    const LeftOutScanFile back{"back.png", LeftOutReason::otherSideLeftOut, {}};
    EXPECT_EQ(leftOutSummary({}), QString());
    EXPECT_EQ(leftOutSummary({big}), "1 file left out: big.png (larger than 512 MiB, far more than any scan)");
    EXPECT_EQ(leftOutSummary({big, back, big, back, big}),
              "5 files left out: big.png (larger than 512 MiB, far more than any scan), back.png (the other side of "
              "its card was left out), big.png (larger than 512 MiB, far more than any scan) and 2 more");
}
