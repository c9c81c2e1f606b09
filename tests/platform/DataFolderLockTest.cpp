#include "platform/DataFolderLock.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantry;

TEST(DataFolderLock, AnotherProcessCannotTakeItUntilTheHolderDies)
{
    QTemporaryDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        DataFolderLock lock(dir.path());
        const char answer = lock.state() == DataFolderLock::State::held ? 'h' : 'x';
        (void)::write(ready[1], &answer, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    const bool answered = ::read(ready[0], &answer, 1) == 1;
    ::close(ready[0]);

    const DataFolderLock::State whileHeld = DataFolderLock(dir.path()).state();
    // A crash or kill -9 leaves the file behind but not the lock.
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_TRUE(answered);
    EXPECT_EQ(answer, 'h');
    EXPECT_EQ(whileHeld, DataFolderLock::State::heldElsewhere);

    const DataFolderLock after(dir.path());
    EXPECT_EQ(after.state(), DataFolderLock::State::held);
    EXPECT_TRUE(after.error().isEmpty());
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(after.path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(DataFolderLock, AProcessStartedByTheHolderDoesNotKeepIt)
{
    // The running application starts the browser; that browser outlives a quit.
    QTemporaryDir dir;
    QProcess child;
    {
        DataFolderLock lock(dir.path());
        ASSERT_EQ(lock.state(), DataFolderLock::State::held);
        child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        ASSERT_TRUE(child.waitForStarted(5000));
    }
    const DataFolderLock next(dir.path());
    child.kill();
    child.waitForFinished(5000);
    EXPECT_EQ(next.state(), DataFolderLock::State::held);
}

TEST(DataFolderLock, AFolderThatCannotHoldTheFileIsUnavailable)
{
    QTemporaryDir dir;
    // A file where the folder should be (root ignores permissions, not this).
    const QString notAFolder = dir.filePath(QStringLiteral("VantryCapture"));
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString& folder : {notAFolder, dir.filePath(QStringLiteral("missing"))}) {
        const DataFolderLock lock(folder);
        EXPECT_EQ(lock.state(), DataFolderLock::State::unavailable) << folder.toStdString();
        EXPECT_FALSE(lock.error().isEmpty()) << folder.toStdString();
    }
}
