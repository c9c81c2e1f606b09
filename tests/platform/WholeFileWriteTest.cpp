#include "platform/FakeFileLayer.h"
#include "platform/WholeFileWrite.h"

#include "support/DiskFailures.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

unsigned modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(WholeFileWrite, AFailedStepKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    for (const test::DiskFailure& failure : test::diskFailures()) {
        for (const bool existed : {true, false}) {
            SCOPED_TRACE(std::string(failure.name) + (existed ? ", file existed" : ", new file"));
            test::TempHome home;
            const QString path = home.file("data/file.json");
            if (existed)
                writeFile(path, "old content");
            else
                QDir().mkpath(home.file("data"));
            const QStringList before = entries(home.file("data"));

            FakeFileLayer files;
            failure.apply(files);
            QString error;
            EXPECT_FALSE(writeWholeFile(path, "new content, longer than the old", &error));
            EXPECT_GT(files.failures(), 0);
            EXPECT_TRUE(error.contains(path)) << error.toStdString();
            EXPECT_EQ(QFileInfo::exists(path), existed);
            if (existed)
                EXPECT_EQ(readFile(path), QByteArray("old content"));
            EXPECT_EQ(entries(home.file("data")), before);
        }
    }
}

TEST(WholeFileWrite, ReplacesTheFileKeepingItsPermissionsAndFollowingALink)
{
    test::TempHome home;
    const QString path = home.file("file.txt");
    writeFile(path, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(writeWholeFile(path, "new"));
    EXPECT_EQ(readFile(path), QByteArray("new"));
    EXPECT_EQ(modeOf(path), 0640u);

    // A given mode is the new file's whatever the old one had.
    ASSERT_TRUE(writeWholeFile(path, "narrow", nullptr, 0600));
    EXPECT_EQ(modeOf(path), 0600u);

    // Through a link the file it names is replaced; the link stays a link.
    writeFile(home.file("real/target.txt"), "old target");
    ASSERT_TRUE(QFile::link("real/target.txt", home.file("link.txt")));
    ASSERT_TRUE(writeWholeFile(home.file("link.txt"), "new target"));
    EXPECT_TRUE(QFileInfo(home.file("link.txt")).isSymLink());
    EXPECT_EQ(readFile(home.file("real/target.txt")), QByteArray("new target"));
    EXPECT_EQ(entries(home.file("real")), QStringList{"target.txt"});

    // An empty content is a file of zero bytes, not a failure.
    ASSERT_TRUE(writeWholeFile(home.file("empty"), QByteArray()));
    EXPECT_TRUE(QFileInfo::exists(home.file("empty")));
    EXPECT_EQ(QFileInfo(home.file("empty")).size(), 0);
}

TEST(WholeFileWrite, SyncsTheFolderAfterTheRenameAndFailsWhenItCannot)
{
    test::TempHome home;
    const QString folder = home.file("data");
    const QString path = folder + QStringLiteral("/file.json");
    writeFile(path, "old");
    const std::string target = QFile::encodeName(path).toStdString();
    const std::string folderName = QFile::encodeName(folder).toStdString();

    {
        FakeFileLayer files;
        ASSERT_TRUE(writeWholeFile(path, "new"));
        // The rename is durable only once the folder holding it is synced, and only after it.
        const std::vector<std::string> calls = files.calls();
        const auto rename = std::find_if(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.rfind("rename ", 0) == 0 && call.size() > target.size() &&
                   call.compare(call.size() - target.size(), target.size(), target) == 0;
        });
        ASSERT_NE(rename, calls.end());
        EXPECT_NE(std::find(rename, calls.end(), "fsync folder " + folderName), calls.end());
        EXPECT_EQ(std::find(calls.begin(), rename, "fsync folder " + folderName), rename);
    }
    {
        // A folder that cannot be synced is a failed write, though the new content is in place.
        FakeFileLayer files;
        files.failFolderSync = true;
        QString error;
        EXPECT_FALSE(writeWholeFile(path, "newer", &error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(files.failures(), 1);
        EXPECT_EQ(readFile(path), QByteArray("newer"));
        EXPECT_EQ(entries(folder), QStringList{"file.json"});
    }
}
