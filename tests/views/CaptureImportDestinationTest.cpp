#include "views/CaptureView.h"

#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/batch/BatchSession.h"
#include "app/batch/ImportTexts.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakePreferenceDomains.h"
#include "platform/FakeWebAuthSession.h"
#include "support/CaptureSessionKit.h"
#include "support/CaptureViewModelTestAccess.h"
#include "support/FakeInventoryService.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Endpoint = test::FakeInventoryService::Endpoint;
using test::CaptureSessionKit;

// An access token whose payload names `email`, as the sign-in service hands it out.
QString tokenOf(const QString& email)
{
    const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    const QByteArray payload = QJsonDocument(QJsonObject{{"email", email}}).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(QByteArray(R"({"alg":"RS256"})").toBase64(b64) + '.' + payload.toBase64(b64) +
                               ".c2lnbmF0dXJl");
}

// A batch window over the fake inventory service on loopback, whose one workspace is "Demo
// shop", with no workspace in the settings; its sign-in service takes tokens from the same
// server.
class CaptureImportDestinationTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::FakeInventoryService service;
    FakeWebAuthSession web;
    std::unique_ptr<AuthService> auth;
    CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<BatchSession> session;

    CaptureImportDestinationTest()
    {
        ImportIntentStore::resetForTesting();
        ImportLedgerStore::resetForTesting();
        SettingsStore::standard()->setString(SettingsKeys::apiURL, service.baseURL());
        service.workspaces = {{"ws-7", QString("Demo shop"), QString("owner")}};
        service.server().route("POST", "/token",
                               test::FakeHttpResponse::json(
                                   200, QJsonDocument(QJsonObject{{"access_token", tokenOf("dealer@shop.test")},
                                                                  {"token_type", "Bearer"}})
                                            .toJson(QJsonDocument::Compact)));
    }
    ~CaptureImportDestinationTest() override
    {
        ImportIntentStore::resetForTesting();
        ImportLedgerStore::resetForTesting();
    }

    // The window of a batch on the folder B0007, signed in or not as the token file says.
    std::unique_ptr<CaptureView> open()
    {
        auth = std::make_unique<AuthService>(
            OAuthConfig(service.server().baseUrl().toString() + "/", "vantry-capture", "vantrycapture://auth",
                        "vantrycapture"),
            web);
        kit.auth = auth.get();
        session = kit.make(home.file("B0007"));
        auto view = std::make_unique<CaptureView>(
            *session, CaptureWindowState::Services{SettingsStore::standard(), &kit.scheduler, &preferences,
                                                   &prompter, {}});
        view->resize(1000, 700);
        view->show();
        settle();
        return view;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    static bool until(const std::function<bool()>& done)
    {
        const bool reached = QTest::qWaitFor(done, 20000);
        settle();
        return reached;
    }
    template <class T = QWidget>
    static T* child(CaptureView& view, const char* name)
    {
        auto* widget = view.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Opened signed in while the service listed no workspace, and done asking it.
    std::unique_ptr<CaptureView> openWithoutWorkspace()
    {
        TokenStore::set(tokenOf("dealer@shop.test"), TokenStore::accessTokenKey);
        service.workspaces.clear();
        auto view = open();
        // Once when the window opened, once more by the stale-session clean-up.
        EXPECT_TRUE(until([&] { return service.calls(Endpoint::workspaces) == 2; }));
        test::testAccess(*session->viewModel())
            .setRows({CaptureSessionKit::row(1, true), CaptureSessionKit::row(2, true)});
        settle();
        return view;
    }
};

TEST_F(CaptureImportDestinationTest, SigningInWhileTheWindowIsOpenDefaultsTheWorkspaceTheFooterNames)
{
    auto view = open();
    auto* destination = child<QLabel>(*view, "destinationLabel");
    EXPECT_EQ(destination->text(), "→ personal inventory");
    EXPECT_EQ(service.calls(Endpoint::workspaces), 0); // nobody to ask for

    auth->signIn(AuthProvider::code);
    ASSERT_TRUE(web.complete(QUrl("vantrycapture://auth?code=C1&state=" + web.sentState())));
    ASSERT_TRUE(until([&] { return destination->text() == "→ Demo shop"; })) << destination->text().toStdString();
    EXPECT_EQ(SettingsStore::standard()->string(SettingsKeys::workspaceId), QString("ws-7"));
}

// The question names the workspace the import will use, found before asking; Import waits
// while it is looked up.
TEST_F(CaptureImportDestinationTest, ImportFindsTheWorkspaceBeforeAskingAndNamesIt)
{
    auto view = openWithoutWorkspace();
    auto* import = child<QPushButton>(*view, "importButton");
    auto* destination = child<QLabel>(*view, "destinationLabel");
    EXPECT_EQ(destination->text(), "→ personal inventory");
    ASSERT_TRUE(import->isEnabled());

    service.workspaces = {{"ws-7", QString("Demo shop"), QString("owner")}};
    service.delayMs[Endpoint::workspaces] = 1500; // long enough to see the press wait
    QTest::mouseClick(import, Qt::LeftButton);
    settle();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(import->isEnabled());
    EXPECT_TRUE(child<QWidget>(*view, "importSpinner")->isVisible());

    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));
    EXPECT_EQ(prompter.shown.back().title, "Import to Vantry?");
    EXPECT_EQ(prompter.shown.back().message, "2 cards (2 distinct printings) → Demo shop, bin B0007.");
    EXPECT_EQ(destination->text(), "→ Demo shop");
    EXPECT_TRUE(import->isEnabled());
    EXPECT_FALSE(child<QWidget>(*view, "importSpinner")->isVisible());
    EXPECT_EQ(service.calls(Endpoint::workspaces), 3);
}

// No workspace to be found: the import is blocked with its banner, and nothing is asked.
TEST_F(CaptureImportDestinationTest, WithoutAnyWorkspaceImportIsBlockedWithoutAQuestion)
{
    auto view = openWithoutWorkspace();
    QTest::mouseClick(child<QPushButton>(*view, "importButton"), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return view->findChild<QWidget*>("errorBanner") != nullptr; }));
    EXPECT_TRUE(prompter.shown.empty());
    auto* banner = child(*view, "errorBanner");
    ASSERT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->findChild<QLabel*>("bannerBody")->text(), ImportTexts::noWorkspace());
    EXPECT_EQ(child<QLabel>(*view, "statusLine")->text(), ImportTexts::noWorkspaceStatus());
    EXPECT_EQ(service.calls(Endpoint::workspaces), 3);
    EXPECT_EQ(service.calls(Endpoint::createSession), 0);
}

} // namespace
} // namespace vantry
