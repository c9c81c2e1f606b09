#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace vantry;

namespace {

struct Registration {
    int exitCode = -1;
    QString entry;     // the user's desktop entry, empty when none was written
    QString mimeapps;  // the user's mimeapps.list
};

Registration registerHandler(const test::TempHome& home, const QString& executable)
{
    QProcess process;
    process.start("bash", {QStringLiteral(VANTRY_SOURCE_DIR) + "/scripts/register-url-handler", executable});
    process.waitForFinished(30000);
    Registration result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    QFile entry(home.file(".local/share/applications/vantry-capture.desktop"));
    if (entry.open(QIODevice::ReadOnly))
        result.entry = QString::fromUtf8(entry.readAll());
    QFile list(home.file(".config/mimeapps.list"));
    if (list.open(QIODevice::ReadOnly))
        result.mimeapps = QString::fromUtf8(list.readAll());
    return result;
}

QString makeExecutable(const test::TempHome& home, const QString& folder)
{
    const QString dir = home.file(folder);
    QDir().mkpath(dir);
    const QString path = dir + "/vantry-capture";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(UrlHandlerRegistration, TheDesktopEntryStartsTheGivenExecutableWhateverItsPath)
{
    struct Case {
        QString folder;
        QString exec; // the expected Exec value, %1 standing for the temporary home
    };
    const std::vector<Case> cases = {
        {"bin", "%1/bin/vantry-capture %u"},
        // Characters with a meaning in an Exec line are quoted; "%" is doubled.
        {"my builds (v2) & co; 100%", "\"%1/my builds (v2) & co; 100%%/vantry-capture\" %u"},
        {"it's|here", "\"%1/it's|here/vantry-capture\" %u"},
        {"v2(&)100%", "\"%1/v2(&)100%%/vantry-capture\" %u"},
    };
    for (const Case& c : cases) {
        test::TempHome home;
        const Registration r = registerHandler(home, makeExecutable(home, c.folder));
        EXPECT_EQ(r.exitCode, 0) << c.folder.toStdString();
        const QString expected = "\nExec=" + QString(c.exec).replace("%1", home.path()) + "\n";
        EXPECT_TRUE(r.entry.contains(expected)) << r.entry.toStdString() << "\nexpected" << expected.toStdString();
        EXPECT_TRUE(r.entry.contains("\nMimeType=x-scheme-handler/vantrycapture;\n")) << r.entry.toStdString();
        EXPECT_TRUE(r.mimeapps.contains("x-scheme-handler/vantrycapture=vantry-capture.desktop"))
            << r.mimeapps.toStdString();
    }
}

TEST(UrlHandlerRegistration, APathAnEntryCannotCarryIsRefusedWithoutWritingOne)
{
    for (const QString folder : {"a\"b", "a$b", "a`b", "a\\b"}) {
        test::TempHome home;
        const Registration r = registerHandler(home, makeExecutable(home, folder));
        EXPECT_NE(r.exitCode, 0) << folder.toStdString();
        EXPECT_TRUE(r.entry.isEmpty()) << folder.toStdString();
    }
}
