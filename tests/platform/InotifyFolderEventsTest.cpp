#include "platform/InotifyFolderEvents.h"

#include "platform/ScanPageFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantry;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList reported(const QSignalSpy& spy)
{
    QStringList paths;
    for (const QList<QVariant>& args : spy)
        paths << args.at(0).toString();
    return paths;
}

} // namespace

// Closed after writing and moved in are reported with the folder's path; files elsewhere,
// opened without writing, or written after `unwatch` are not.
TEST(InotifyFolderEvents, ReportsFilesClosedAfterWritingOrMovedIn)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("scans");
    const QString other = dir.filePath("other");
    ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
    ASSERT_TRUE(QDir().mkpath(other));
    writeFile(folder + "/old.png", "old");
    auto events = InotifyFolderEvents::create();
    ASSERT_TRUE(events);
    QSignalSpy spy(events.get(), &FolderEvents::fileFinished);
    ASSERT_TRUE(events->watch(folder));
    EXPECT_TRUE(events->isWatching());

    writeFile(folder + "/a.png", "page");
    writeFile(other + "/b.png", "elsewhere");
    ASSERT_TRUE(QFile::rename(other + "/b.png", folder + "/b.png"));
    writeFile(folder + "/sub/deep.png", "below");
    QFile old(folder + "/old.png");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    old.close();
    const ScanPageFile::Written staged = ScanPageFile::stageBytes(folder, "c.png", "staged");
    ASSERT_TRUE(staged.error.isEmpty());
    ASSERT_TRUE(ScanPageFile::place(staged.path).error.isEmpty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return reported(spy).contains(folder + "/c.png"); }, 5000));
    // The staged write is reported too, under whatever temporary name it had (hidden, or an
    // unnamed file's "#inode"); listeners skip those.
    QStringList named;
    for (const QString& path : reported(spy))
        if (!QFileInfo(path).fileName().startsWith('.') && !QFileInfo(path).fileName().startsWith('#'))
            named << path;
    EXPECT_EQ(named, (QStringList{folder + "/a.png", folder + "/b.png", folder + "/c.png"}));

    spy.clear();
    events->unwatch();
    EXPECT_FALSE(events->isWatching());
    writeFile(folder + "/d.png", "late");
    QTest::qWait(50);
    EXPECT_TRUE(spy.isEmpty());
}

TEST(InotifyFolderEvents, AFolderGoneEndsTheWatch)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("scans");
    auto events = InotifyFolderEvents::create();
    ASSERT_TRUE(events);
    EXPECT_FALSE(events->watch(folder)); // not there yet
    EXPECT_FALSE(events->isWatching());

    for (const char* how : {"removed", "moved away"}) {
        SCOPED_TRACE(how);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(events->watch(folder));
        QSignalSpy lost(events.get(), &FolderEvents::eventsLost);
        if (std::string(how) == "removed")
            ASSERT_TRUE(QDir(folder).removeRecursively());
        else
            ASSERT_TRUE(QDir().rename(folder, dir.filePath("away")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, 5000));
        EXPECT_FALSE(events->isWatching());
        QDir(dir.filePath("away")).removeRecursively();
    }
}
