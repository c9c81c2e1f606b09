#include "core/records/ScanFolderArchive.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(ScanFolderArchive, MovesOnlyScanImagesIntoTheArchiveFolder)
{
    test::TempHome home;
    const QString scans = home.file("scans");
    for (const char* name : {"a.png", "b.JPG", ".hidden.png", "notes.txt"})
        writeFile(scans + "/" + name, name);
    writeFile(scans + "/Archived-20250101-000000/old.png", "old");

    EXPECT_EQ(archiveImages(scans, "20260131-140509"), 2);
    EXPECT_EQ(entries(scans), (QStringList{".hidden.png", "Archived-20250101-000000", "Archived-20260131-140509",
                                           "notes.txt"}));
    EXPECT_EQ(entries(scans + "/Archived-20260131-140509"), (QStringList{"a.png", "b.JPG"}));
    EXPECT_EQ(readFile(scans + "/Archived-20260131-140509/a.png"), "a.png");
    EXPECT_EQ(entries(scans + "/Archived-20250101-000000"), QStringList{"old.png"});
}

// Whoever still refers to a moved image learns where it went; an image left in place is not listed.
TEST(ScanFolderArchive, GivesEveryImageItMovedWithItsNewPlace)
{
    test::TempHome home;
    const QString scans = home.file("scans");
    for (const char* name : {"card_0002.png", "card_0001.png", "taken.png"})
        writeFile(scans + "/" + name, name);
    writeFile(scans + "/Archived-t/taken.png", "earlier");

    const std::vector<ArchivedImage> moved = archiveImageMoves(scans, "t");
    const std::vector<ArchivedImage> expected{
        {scans + "/card_0001.png", scans + "/Archived-t/card_0001.png"},
        {scans + "/card_0002.png", scans + "/Archived-t/card_0002.png"},
    };
    EXPECT_EQ(moved, expected);
    EXPECT_EQ(readFile(scans + "/taken.png"), "taken.png");
    EXPECT_EQ(readFile(scans + "/Archived-t/taken.png"), "earlier");
}

TEST(ScanFolderArchive, NothingToMoveCreatesNothing)
{
    test::TempHome home;
    writeFile(home.file("only-notes/notes.txt"), "x");
    QDir().mkpath(home.file("empty"));
    writeFile(home.file("a-file"), "x");
    const std::vector<QString> folders{home.file("only-notes"), home.file("empty"), home.file("a-file"),
                                       home.file("missing")};
    for (const QString& folder : folders) {
        EXPECT_EQ(archiveImages(folder, "t"), 0) << folder.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder + "/Archived-t")) << folder.toStdString();
    }
}

TEST(ScanFolderArchive, ASecondClearingNeverReplacesAnArchivedFile)
{
    test::TempHome home;
    const QString scans = home.file("scans");
    writeFile(scans + "/a.png", "first a");
    ASSERT_EQ(archiveImages(scans, "t"), 1);

    writeFile(scans + "/a.png", "second a");
    writeFile(scans + "/c.png", "c");
    EXPECT_EQ(archiveImages(scans, "t"), 1);
    EXPECT_EQ(readFile(scans + "/Archived-t/a.png"), "first a");
    EXPECT_EQ(readFile(scans + "/a.png"), "second a");
    EXPECT_EQ(readFile(scans + "/Archived-t/c.png"), "c");
}

TEST(ScanFolderArchive, ArchiveFolderThatCannotBeMadeMovesNothing)
{
    test::TempHome home;
    const QString scans = home.file("scans");
    writeFile(scans + "/a.png", "a");
    writeFile(scans + "/Archived-t", "a file holds the name");
    EXPECT_EQ(archiveImages(scans, "t"), 0);
    EXPECT_TRUE(QFileInfo::exists(scans + "/a.png"));
}

TEST(ScanFolderArchive, ArchivedLinkedPagesStillOpen)
{
    test::TempHome home;
    const QString scans = home.file("scans");
    writeFile(home.file("store/relative.png"), "relative page");
    writeFile(home.file("store/absolute.png"), "absolute page");
    writeFile(home.file("store/taken.png"), "linked page");
    ASSERT_TRUE(QDir().mkpath(scans));
    ASSERT_TRUE(QFile::link("../store/relative.png", scans + "/relative.png"));
    ASSERT_TRUE(QFile::link(home.file("store/absolute.png"), scans + "/absolute.png"));
    ASSERT_TRUE(QFile::link("../store/taken.png", scans + "/taken.png"));
    writeFile(scans + "/Archived-t/taken.png", "archived before");

    EXPECT_EQ(archiveImages(scans, "t"), 2);
    const QString archive = scans + "/Archived-t";
    // A relative link would dangle one folder down: the page is copied and the link goes.
    EXPECT_FALSE(QFileInfo(archive + "/relative.png").isSymLink());
    EXPECT_EQ(readFile(archive + "/relative.png"), "relative page");
    EXPECT_FALSE(QFileInfo::exists(scans + "/relative.png") || QFileInfo(scans + "/relative.png").isSymLink());
    EXPECT_EQ(readFile(home.file("store/relative.png")), "relative page");
    // An absolute link points at the same file from anywhere and moves as it is.
    EXPECT_TRUE(QFileInfo(archive + "/absolute.png").isSymLink());
    EXPECT_EQ(readFile(archive + "/absolute.png"), "absolute page");
    // A copy never replaces a file already archived under the name; the link stays.
    EXPECT_EQ(readFile(archive + "/taken.png"), "archived before");
    EXPECT_TRUE(QFileInfo(scans + "/taken.png").isSymLink());
    EXPECT_EQ(readFile(scans + "/taken.png"), "linked page");
}
