#include "app/auth/TokenStore.h"

#include "platform/FakeFileLayer.h"
#include "support/DiskFailures.h"
#include "support/SmallTmpfs.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantry;

namespace {

unsigned modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0xFFFF;
    return info.st_mode & 07777;
}

void writeFile(const QString& path, const QByteArray& bytes, unsigned mode)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

QJsonObject readObject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Opens the process umask for one test, so a file that merely inherits it would show it.
struct OpenUmask {
    OpenUmask() : saved(::umask(0)) {}
    ~OpenUmask() { ::umask(saved); }
    mode_t saved;
};

} // namespace

TEST(TokenStore, FileIsOwnerOnlyFromCreationInAnOwnerOnlyFolder)
{
    test::TempHome home;
    OpenUmask umask;
    const QString path = home.file(".local/share/VantryCapture/auth.json");
    ASSERT_TRUE(TokenStore::set("A1", TokenStore::accessTokenKey));

    EXPECT_EQ(TokenStore::fileURL(), path);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700u);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(R"({"vantry.capture.accessToken":"A1"})"));
    // Nothing but the file is left in the folder (no temporary copies).
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"auth.json"});
}

TEST(TokenStore, WiderExistingFileIsNarrowedAndTheFolderKeepsItsMode)
{
    test::TempHome home;
    OpenUmask umask;
    const QString folder = home.file(".local/share/VantryCapture");
    const QString path = folder + "/auth.json";
    writeFile(path, R"({"other":"kept"})", 0644);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0750), 0);

    ASSERT_TRUE(TokenStore::set("R1", TokenStore::refreshTokenKey));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder), 0750u);
    EXPECT_EQ(readObject(path), (QJsonObject{{"other", "kept"}, {"vantry.capture.refreshToken", "R1"}}));
}

TEST(TokenStore, UnreadableContentCountsAsEmptyAndIsReplaced)
{
    const std::vector<QByteArray> corrupt = {
        "not json", R"(["a"])", R"({"vantry.capture.accessToken":"A","n":1})", "", R"({"vantry.capture.accessToken":)",
    };
    for (const QByteArray& bytes : corrupt) {
        test::TempHome home;
        const QString path = home.file(".local/share/VantryCapture/auth.json");
        writeFile(path, bytes, 0600);
        EXPECT_EQ(TokenStore::get(TokenStore::accessTokenKey), std::nullopt) << bytes.toStdString();
        ASSERT_TRUE(TokenStore::set("R", TokenStore::refreshTokenKey));
        EXPECT_EQ(readObject(path), (QJsonObject{{"vantry.capture.refreshToken", "R"}})) << bytes.toStdString();
    }
}

TEST(TokenStore, RemoveKeepsOtherMembersAndLeavesAnEmptyObject)
{
    test::TempHome home;
    const QString path = home.file(".local/share/VantryCapture/auth.json");
    writeFile(path, R"({"vantry.capture.accessToken":"A","vantry.capture.refreshToken":"R","other":"x"})", 0600);
    EXPECT_EQ(TokenStore::get(TokenStore::refreshTokenKey), QStringLiteral("R"));

    ASSERT_TRUE(TokenStore::remove({TokenStore::accessTokenKey, TokenStore::refreshTokenKey}));
    EXPECT_EQ(readObject(path), (QJsonObject{{"other", "x"}}));
    ASSERT_TRUE(TokenStore::remove({"other"}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{}"));
}

TEST(TokenStore, AWriteThatCannotReplaceTheFileReportsFailure)
{
    test::TempHome home;
    // A folder where the file belongs cannot be replaced by a file.
    const QString path = home.file(".local/share/VantryCapture/auth.json");
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
    EXPECT_FALSE(TokenStore::set("A", TokenStore::accessTokenKey));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(TokenStore, NoFileThatReceivesTheTokensIsEverWiderThanOwnerOnly)
{
    test::TempHome home;
    OpenUmask umask; // a file created with the default mode would be 0666
    const QString path = TokenStore::fileURL();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());

    // Another user who opens a file while it is readable keeps reading what is written into it
    // later. fanotify holds every open in the folder until it is answered, so the mode each new
    // file is opened with can be seen (it needs the rights to watch opens).
    const int fan = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_CLOEXEC);
    if (fan < 0)
        GTEST_SKIP() << "cannot watch opens here";
    ASSERT_EQ(::fanotify_mark(fan, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder.constData()), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> seen{0};
    std::atomic<int> wide{0};
    std::thread watcher([&] {
        alignas(fanotify_event_metadata) char buffer[4096];
        while (!stop) {
            pollfd p{fan, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            ssize_t n = ::read(fan, buffer, sizeof buffer);
            for (auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer); FAN_EVENT_OK(event, n);
                 event = FAN_EVENT_NEXT(event, n)) {
                if (event->fd < 0)
                    continue;
                struct stat info {};
                char link[64];
                char name[4096] = {};
                std::snprintf(link, sizeof link, "/proc/self/fd/%d", event->fd);
                ::readlink(link, name, sizeof name - 1);
                // The file's own name is the old file, left as it was; every other is a new copy.
                if (::fstat(event->fd, &info) == 0 && S_ISREG(info.st_mode) &&
                    !QByteArray(name).endsWith("/auth.json")) {
                    ++seen;
                    if (info.st_mode & 0077)
                        ++wide;
                }
                fanotify_response answer{event->fd, FAN_ALLOW};
                (void)::write(fan, &answer, sizeof answer);
                ::close(event->fd);
            }
        }
    });

    // A new file, and a file left wider by someone else.
    QFile::remove(path);
    EXPECT_TRUE(TokenStore::set("A1", TokenStore::accessTokenKey));
    writeFile(path, R"({"other":"kept"})", 0644);
    EXPECT_TRUE(TokenStore::set("A2", TokenStore::accessTokenKey));
    stop = true;
    watcher.join();
    ::close(fan);

    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(readObject(path), (QJsonObject{{"other", "kept"}, {"vantry.capture.accessToken", "A2"}}));
    EXPECT_EQ(seen.load(), 2);
    EXPECT_EQ(wide.load(), 0);
}

TEST(TokenStore, AFailedWriteReportsFailureAndKeepsTheSignIn)
{
    const QByteArray stored = R"({"vantry.capture.accessToken":"A","vantry.capture.refreshToken":"R"})";
    for (const test::DiskFailure& failure : test::diskFailures()) {
        SCOPED_TRACE(failure.name);
        test::TempHome home;
        const QString path = TokenStore::fileURL();
        writeFile(path, stored, 0600);
        {
            FakeFileLayer files;
            failure.apply(files);
            EXPECT_FALSE(TokenStore::set("A2", TokenStore::accessTokenKey));
            EXPECT_GT(files.failures(), 0);
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), stored);
        EXPECT_EQ(modeOf(path), 0600u);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{"auth.json"});
    }
}

TEST(TokenStore, AFullDiskNeverEmptiesTheTokenFile)
{
    test::TempHome home;
    test::SmallTmpfs disk(home.file(".local/share"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    ASSERT_TRUE(TokenStore::set("A1", TokenStore::accessTokenKey));
    ASSERT_TRUE(TokenStore::set("R1", TokenStore::refreshTokenKey));

    disk.fill();
    EXPECT_FALSE(TokenStore::set("A2", TokenStore::accessTokenKey));
    // The next start still finds the sign-in.
    EXPECT_EQ(TokenStore::get(TokenStore::accessTokenKey), QStringLiteral("A1"));
    EXPECT_EQ(TokenStore::get(TokenStore::refreshTokenKey), QStringLiteral("R1"));

    disk.release();
    EXPECT_TRUE(TokenStore::set("A2", TokenStore::accessTokenKey));
    EXPECT_EQ(TokenStore::get(TokenStore::accessTokenKey), QStringLiteral("A2"));
}
