#include "app/shell/ShellTexts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantry;

TEST(ShellTexts, UpdateAlertForEachOutcome)
{
    UpdateCheckResult upToDate{UpdateCheckResult::Kind::upToDate, "0.1.0", "0.1.0", {}, {}};
    UpdateCheckResult available{UpdateCheckResult::Kind::available, "0.1.0", "0.3.1", QUrl("https://vantry.test/get"), {}};
    UpdateCheckResult failed{UpdateCheckResult::Kind::failed, "0.1.0", {}, {}, "The update feed is not an RSS feed."};

    const UpdateAlertText a = updateAlertText(upToDate);
    EXPECT_EQ(a.title, "You're up to date.");
    EXPECT_TRUE(a.message.contains("0.1.0"));
    EXPECT_FALSE(a.offersDownload);

    const UpdateAlertText b = updateAlertText(available);
    EXPECT_TRUE(b.message.contains("0.3.1"));
    EXPECT_TRUE(b.message.contains("0.1.0"));
    EXPECT_TRUE(b.offersDownload);

    const UpdateAlertText c = updateAlertText(failed);
    EXPECT_EQ(c.message, "The update feed is not an RSS feed.");
    EXPECT_FALSE(c.offersDownload);
}

TEST(ShellTexts, LoginErrorLineOnlyForARealMessage)
{
    EXPECT_EQ(loginErrorLine(std::nullopt), std::nullopt);
    EXPECT_EQ(loginErrorLine(QString()), std::nullopt);
    EXPECT_EQ(loginErrorLine(QStringLiteral("Sign-in canceled.")), QStringLiteral("Sign-in canceled."));
}

TEST(ShellTexts, LoginAddressPanelShowsTheWholeAddressOnlyWhileASignInWaitsForIt)
{
    EXPECT_EQ(loginAddressPanel(std::nullopt), std::nullopt);
    EXPECT_EQ(loginAddressPanel(QUrl()), std::nullopt);
    const QUrl authorize("https://auth.example.test/authorize?client_id=vantry-capture"
                         "&redirect_uri=vantrycapture://auth&state=S%201&code_challenge=abc");
    const auto panel = loginAddressPanel(authorize);
    ASSERT_TRUE(panel);
    EXPECT_EQ(QUrl(panel->address), authorize);
    EXPECT_TRUE(panel->address.contains("state=S%201"));
    EXPECT_TRUE(panel->explanation.startsWith("No web browser could be opened for signing in."));
    EXPECT_EQ(loginCopyLabel(false), "Copy");
    EXPECT_EQ(loginCopyLabel(true), "Copied");
}

TEST(ShellTexts, AStartThatDoesNotRunNamesTheDataFolderAndWhy)
{
    // A folder name holding a placeholder stays as it is.
    const QString folder = QStringLiteral("/home/a %2 b/.local/share/VantryCapture");
    struct Case {
        StartRefusalText text;
        QString title;
        QStringList said; // in the window and on the terminal
    };
    const std::vector<Case> cases = {
        {alreadyRunningText(folder), "Vantry Capture is already running.", {folder, "already running"}},
        {dataFolderUnavailableText(folder, "Permission denied"), "Vantry Capture cannot start.",
         {folder, "(Permission denied)"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text.title, c.title);
        for (const QString& part : c.said) {
            EXPECT_TRUE(c.text.message.contains(part, Qt::CaseInsensitive)) << c.text.message.toStdString();
            EXPECT_TRUE(c.text.terminalLine.contains(part, Qt::CaseInsensitive)) << c.text.terminalLine.toStdString();
        }
        EXPECT_TRUE(c.text.terminalLine.endsWith('\n'));
        EXPECT_EQ(c.text.terminalLine.count('\n'), 1);
        EXPECT_FALSE(c.text.message.contains('\n'));
    }
}
