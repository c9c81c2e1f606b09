#include "views/CaptureView.h"

#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/batch/BatchSession.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakePreferenceDomains.h"
#include "platform/FakeWebAuthSession.h"
#include "support/CaptureSessionKit.h"
#include "support/FakeInventoryService.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
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

} // namespace
} // namespace vantry
