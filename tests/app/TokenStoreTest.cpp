#include "app/TokenStore.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

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
