#include "DesktopSession.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantry::test;

namespace {

// The demo catalogue cut down to a batch the suite can afford: a few cards with a strip, one
// found by name only among two printings (needs review) with its reprint, and the multi-feed.
QString smallCatalogue(const QTemporaryDir& dir)
{
    QFile source(QStringLiteral(VANTRY_E2E_CATALOGUE));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray kept;
    int strip = 0;
    bool nameOnly = false;
    QByteArray nameOnlyTitle;
    for (const QByteArray& line : source.readAll().split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (line.startsWith('#') || f.size() < 5)
            continue;
        const QByteArray look = f.value(5);
        bool keep = false;
        if ((look == "modern" || look == "classic") && strip < 3)
            keep = ++strip > 0;
        else if (look == "nostrip" && !nameOnly)
            keep = nameOnly = true, nameOnlyTitle = f[1];
        else if (look.isEmpty() && !nameOnlyTitle.isEmpty() && f[1] == nameOnlyTitle)
            keep = true;
        else if (look == "multifeed")
            keep = true;
        if (keep)
            kept += line + '\n';
    }
    const QString path = dir.filePath(QStringLiteral("catalogue.tsv"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(kept) != kept.size())
        return {};
    return path;
}

QJsonObject tokenFile(const DesktopSession& desktop)
{
    QFile f(desktop.dataFolder() + QStringLiteral("/auth.json"));
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
}

} // namespace

TEST(CaptureRun, SignsInThroughTheBrowserAndStaysSignedInAfterARestart)
{
    if (const QString reason = DesktopSession::unavailableReason(); !reason.isEmpty())
        GTEST_SKIP() << "no X server for the end-to-end run: " << reason.toStdString();
    QTemporaryDir work;
    const QString catalogue = smallCatalogue(work);
    ASSERT_FALSE(catalogue.isEmpty());
    DesktopSession desktop;
    ASSERT_TRUE(desktop.prepare(catalogue)) << desktop.error().toStdString();
    ASSERT_TRUE(desktop.startApplication()) << desktop.error().toStdString();

    const auto signIn = desktop.waitForName(QStringLiteral("Continue with Google"));
    ASSERT_TRUE(signIn) << desktop.diagnostics().toStdString();
    ASSERT_TRUE(desktop.click(*signIn)) << desktop.error().toStdString();
    // The browser approved the stand-in's page; the callback reached the running application.
    ASSERT_TRUE(desktop.waitForName(QStringLiteral("New batch tab"))) << desktop.diagnostics().toStdString();
    const QJsonObject tokens = tokenFile(desktop);
    EXPECT_FALSE(tokens.value("vantry.capture.accessToken").toString().isEmpty());
    EXPECT_FALSE(tokens.value("vantry.capture.refreshToken").toString().isEmpty());
    for (const ProbedWidget& w : desktop.widgets())
        EXPECT_NE(w.name, QStringLiteral("Continue with Google")) << "the sign-in screen is still shown";

    ASSERT_TRUE(desktop.quitApplication());
    ASSERT_TRUE(desktop.startApplication()) << desktop.error().toStdString();
    // The stored tokens open the capture window straight away.
    ASSERT_TRUE(desktop.waitForName(QStringLiteral("New batch tab"))) << desktop.diagnostics().toStdString();
    for (const ProbedWidget& w : desktop.widgets())
        EXPECT_NE(w.name, QStringLiteral("Continue with Google"));
    EXPECT_EQ(tokenFile(desktop), tokens);
}
