#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/views/MainWindow.h"
#include "core/support/CaptureLog.h"
#include "platform/BrowserWebAuthSession.h"
#include "platform/FakeBrowser.h"
#include "platform/FakeUpdater.h"
#include "platform/FakeWebAuthSession.h"

#include "support/FakeHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
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
