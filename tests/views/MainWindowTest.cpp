#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/capture/UnimportedWork.h"
#include "views/MainWindow.h"
#include "core/support/CaptureLog.h"
#include "platform/BrowserWebAuthSession.h"
#include "platform/FakeBrowser.h"
#include "platform/FakeUpdater.h"
#include "platform/FakeWebAuthSession.h"

#include "support/FakeHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QUrlQuery>

using namespace vantry;
using vantry::test::FakeHttpResponse;
using vantry::test::FakeHttpServer;

namespace {

struct Home : test::TempHome {
    ~Home() { CaptureLog::flush(); }
};

OAuthConfig configFor(const FakeHttpServer& server)
{
    return OAuthConfig(server.baseUrl().toString() + "/", "vantry-capture", "vantrycapture://auth", "vantrycapture");
}

// The window as the application builds it, over a test's sign-in service and updater.
struct Shell {
    explicit Shell(AuthService& auth, Updater& updater) : tabs(new QLabel("tabs"))
    {
        tabs->setObjectName("batchTabs");
        window = std::make_unique<MainWindow>(auth, updater, tabs);
        window->show();
    }
    QWidget* current() const { return window->findChild<QStackedWidget*>("scenes")->currentWidget(); }
    bool showsTabs() const { return current() == tabs; }
    bool showsSignIn() const { return current()->objectName() == "loginView"; }

    QLabel* tabs;
    std::unique_ptr<MainWindow> window;
};

// The alert `name` on screen, if any.
QDialog* shownAlert(QWidget* window, const char* name)
{
    QApplication::processEvents();
    for (QDialog* dialog : window->findChildren<QDialog*>(QString::fromUtf8(name)))
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

QPushButton* alertButton(QDialog* dialog, const QString& text)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>("alertButton"))
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(MainWindow, AStoredSignInShowsTheTabsAtOnce)
{
    Home home;
    ASSERT_TRUE(TokenStore::set("stored-access", TokenStore::accessTokenKey));
    FakeWebAuthSession web;
    AuthService auth(web);
    FakeUpdater updater;
    Shell shell(auth, updater);
    EXPECT_TRUE(shell.showsTabs());
}

TEST(MainWindow, SigningInAndOutSwitchesTheWindowAndKeepsTheTabs)
{
    Home home;
    FakeHttpServer server;
    server.route("POST", "/token",
                 FakeHttpResponse::json(200, R"({"access_token":"A-1","token_type":"Bearer","refresh_token":"R-1"})"));
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    FakeUpdater updater;
    Shell shell(auth, updater);
    ASSERT_TRUE(shell.showsSignIn());

    // Cancelling shows the service's text; pressing a button again removes it at once.
    auto* email = shell.window->findChild<QPushButton*>("continueWithEmail");
    auto* error = shell.window->findChild<QLabel*>("loginError");
    ASSERT_TRUE(email && error);
    EXPECT_FALSE(error->isVisible());
    email->click();
    ASSERT_EQ(web.startCount, 1);
    EXPECT_TRUE(web.lastAuthorizeURL.query().contains("provider=code"));
    web.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return error->isVisible(); }, 5000));
    EXPECT_EQ(error->text(), "Sign-in canceled.");

    shell.window->findChild<QPushButton*>("continueWithGoogle")->click();
    EXPECT_FALSE(error->isVisible());
    ASSERT_EQ(web.startCount, 2);
    ASSERT_TRUE(web.complete(QUrl("vantrycapture://auth?code=C1&state=" + web.sentState())));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell.showsTabs(); }, 5000));

    QLabel* tabs = shell.tabs;
    auth.signOut();
    EXPECT_TRUE(shell.showsSignIn());
    // The batches stay while nobody is signed in.
    EXPECT_EQ(shell.window->findChild<QLabel*>("batchTabs"), tabs);
}

TEST(MainWindow, WithoutABrowserTheSignInScreenOffersItsAddressToCopyAndTheSignInFinishes)
{
    Home home;
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, R"({"access_token":"A-1","refresh_token":"R-1"})"));
    FakeBrowser browser;
    browser.opens = false;
    BrowserWebAuthSession web(browser);
    AuthService auth(configFor(server), web);
    FakeUpdater updater;
    Shell shell(auth, updater);
    auto* panel = shell.window->findChild<QWidget*>("signInAddressPanel");
    auto* address = shell.window->findChild<QLineEdit*>("signInAddress");
    auto* copy = shell.window->findChild<QPushButton*>("copySignInAddress");
    auto* error = shell.window->findChild<QLabel*>("loginError");
    ASSERT_TRUE(panel && address && copy && error);
    EXPECT_FALSE(panel->isVisible());

    QTest::mouseClick(shell.window->findChild<QPushButton*>("continueWithGoogle"), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(browser.opened.size(), 1);
    ASSERT_TRUE(panel->isVisible());
    EXPECT_FALSE(error->isVisible()) << error->text().toStdString();
    EXPECT_EQ(QUrl(address->text()), browser.opened.front());
    EXPECT_TRUE(address->isReadOnly());
    EXPECT_EQ(copy->text(), "Copy");
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address->text());
    EXPECT_EQ(copy->text(), "Copied");

    // The browser opened by hand comes back with this attempt's state: signed in.
    const QString state = QUrlQuery(QUrl(address->text())).queryItemValue("state");
    ASSERT_TRUE(web.deliverCallback(QUrl("vantrycapture://auth?code=C1&state=" + state)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell.showsTabs(); }, 5000));

    // Signed out again, with a browser this time: no address.
    auth.signOut();
    browser.opens = true;
    QTest::mouseClick(shell.window->findChild<QPushButton*>("continueWithEmail"), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
}

TEST(MainWindow, CannotBeMadeSmallerThanItsContent)
{
    Home home;
    FakeWebAuthSession web;
    AuthService auth(web);
    FakeUpdater updater;
    Shell shell(auth, updater);
    shell.window->resize(300, 200);
    QApplication::processEvents();
    EXPECT_GE(shell.window->centralWidget()->width(), 760);
    EXPECT_GE(shell.window->centralWidget()->height(), 560);
}

TEST(MainWindow, MenuOrderAndTheUpdateItemFollowingTheUpdater)
{
    Home home;
    FakeWebAuthSession web;
    AuthService auth(web);
    FakeUpdater updater;
    Shell shell(auth, updater);

    QMenu* menu = shell.window->findChild<QMenu*>("applicationMenu");
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"About Vantry Capture", "Check for Updates…", "-", "Settings…", "-",
                                  "Quit Vantry Capture"}));

    QAction* check = shell.window->findChild<QAction*>("checkForUpdatesAction");
    EXPECT_FALSE(check->isEnabled());
    updater.setCanCheckForUpdates(true);
    EXPECT_TRUE(check->isEnabled());
    check->trigger();
    EXPECT_EQ(updater.checkCount, 1);

    // The answer is an alert shown without blocking.
    updater.finish({UpdateCheckResult::Kind::upToDate, "0.1.0", "0.1.0", {}, {}});
    auto* alert = shell.window->findChild<QMessageBox*>("updateAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->text(), "You're up to date.");
    alert->close();

    QAction* settings = shell.window->findChild<QAction*>("settingsAction");
    EXPECT_EQ(settings->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    int built = 0;
    shell.window->setSettingsContentFactory([&built](QWidget* parent) {
        ++built;
        return new QLabel("settings", parent);
    });
    settings->trigger();
    settings->trigger();
    ASSERT_NE(shell.window->settingsWindow(), nullptr);
    EXPECT_EQ(shell.window->settingsWindow()->windowTitle(), "Settings");
    EXPECT_EQ(built, 2); // rebuilt at each opening, so it follows the selected tab
}

// Closing the window and Quit (Ctrl+Q) ask first while cards not imported would be lost;
// Cancel is the default and keeps everything; a quit nobody can be asked about never asks.
TEST(MainWindow, ClosingOrQuittingWithCardsNotImportedAsksFirst)
{
    Home home;
    FakeWebAuthSession web;
    AuthService auth(web);
    FakeUpdater updater;
    Shell shell(auth, updater);
    UnimportedWork work{3, 0, 12.5, 2, {home.path() + "/Pictures/B0012"}};
    shell.window->setUnimportedWork([&] { return work; });
    shell.window->showSettings();
    QPointer<QWidget> settings = shell.window->settingsWindow();

    EXPECT_FALSE(shell.window->close());
    QDialog* alert = shownAlert(shell.window.get(), "quitAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), "Quit with 3 cards not imported?");
    EXPECT_TRUE(alert->accessibleDescription().contains("The scans stay in ~/Pictures/B0012."));
    ASSERT_NE(alertButton(alert, "Cancel"), nullptr);
    EXPECT_TRUE(alertButton(alert, "Cancel")->isDefault());
    EXPECT_FALSE(alertButton(alert, "Quit")->isDefault());
    // Asked again while the question is open: still one question.
    EXPECT_FALSE(shell.window->close());
    EXPECT_EQ(shell.window->findChildren<QDialog*>("quitAlert").size(), 1);
    alertButton(alert, "Cancel")->click();
    EXPECT_EQ(shownAlert(shell.window.get(), "quitAlert"), nullptr);
    EXPECT_TRUE(shell.window->isVisible());

    // The menu item (Ctrl+Q) asks the same question; Quit closes the window and the settings.
    QAction* quit = shell.window->findChild<QAction*>("quitAction");
    EXPECT_EQ(quit->shortcut(), QKeySequence(QKeySequence::Quit));
    quit->trigger();
    alert = shownAlert(shell.window.get(), "quitAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(shell.window->isVisible());
    alertButton(alert, "Quit")->click();
    QApplication::processEvents();
    EXPECT_FALSE(shell.window->isVisible());
    EXPECT_TRUE(!settings || !settings->isVisible());

    // Nothing to lose: the window closes at once.
    Shell plain(auth, updater);
    plain.window->setUnimportedWork([] { return UnimportedWork{}; });
    EXPECT_TRUE(plain.window->close());
    EXPECT_EQ(shownAlert(plain.window.get(), "quitAlert"), nullptr);

    // A quit the user cannot answer (a termination signal) does not ask.
    Shell signalled(auth, updater);
    signalled.window->setUnimportedWork([&] { return work; });
    signalled.window->quitWithoutAsking();
    EXPECT_FALSE(signalled.window->isVisible());
    EXPECT_EQ(shownAlert(signalled.window.get(), "quitAlert"), nullptr);
}
