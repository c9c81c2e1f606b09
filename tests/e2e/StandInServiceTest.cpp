#include "CardCatalogue.h"
#include "StandInService.h"

#include "app/auth/AuthService.h"
#include "core/service/CaptureError.h"
#include "core/service/HTTPTransport.h"
#include "core/service/VantryClient.h"
#include "platform/FakeWebAuthSession.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::standin;
using namespace std::chrono_literals;

namespace {

std::vector<CataloguePrinting> catalogue()
{
    return {{"id-bolt", "Amber Warden", "QRX", "7", QString("0.25"), "modern"}};
}

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray location;
};

// One request through Qt's own HTTP client, as a browser would send it (no redirects followed).
Reply request(const QUrl& url, const QByteArray& form = {})
{
    QNetworkAccessManager network;
    QNetworkRequest r(url);
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply;
    if (form.isNull()) {
        reply = network.get(r);
    } else {
        r.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        reply = network.post(r, form);
    }
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Reply out{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
              reply->rawHeader("Location")};
    reply->deleteLater();
    return out;
}

QString hiddenValue(const QByteArray& page, const QByteArray& name)
{
    const QByteArray key = "name=\"" + name + "\" value=\"";
    const int at = page.indexOf(key);
    return at < 0 ? QString() : QString::fromUtf8(page.mid(at + key.size())).section(u'"', 0, 0);
}

// The approve step of the sign-in page for an authorize URL; returns the callback URL.
QUrl approve(const QUrl& authorizeURL, const QString& issuer)
{
    const Reply page = request(authorizeURL);
    EXPECT_EQ(page.status, 200) << page.body.toStdString();
    QUrlQuery q;
    q.addQueryItem("state", hiddenValue(page.body, "state"));
    q.addQueryItem("code_challenge", hiddenValue(page.body, "code_challenge"));
    q.addQueryItem("email", "dealer@example.com");
    QUrl url(issuer + "/approve");
    url.setQuery(q);
    const Reply approved = request(url);
    EXPECT_EQ(approved.status, 302);
    return QUrl::fromEncoded(approved.location);
}

VantryClient clientWith(const StandInService& service, const QString& token)
{
    auto transport = std::make_shared<HTTPTransport>(
        service.apiURL(),
        [token]() -> QCoro::Task<std::optional<QString>> {
            std::optional<QString> copy = token;
            co_return copy;
        },
        []() -> QCoro::Task<bool> { co_return false; });
    transport->setTimeout(10s);
    return VantryClient(transport, "dealer@example.com", StandInService::workspaceId);
}

ScanItemPayload item(const QString& scryfallId, int count)
{
    ScanItemPayload p;
    p.itemId = scryfallId + ":nonfoil";
    p.scryfallId = scryfallId;
    p.name = "Amber Warden";
    p.setCode = "qrx";
    p.collectorNumber = "7";
    p.count = count;
    p.confidence = 0.97;
    p.addedBy = "scan";
    return p;
}

} // namespace

TEST(StandInService, SignInNeedsTheRightVerifierAndACodeWorksOnce)
{
    test::TempHome home;
    QString error;
    const auto service = StandInService::start(0, home.file("stand-in"), catalogue(), &error);
    ASSERT_TRUE(service) << error.toStdString();
    const OAuthConfig config(service->issuer(), "vantry-capture", "vantrycapture://auth", "vantrycapture");

    // The application's own sign-in: authorize page, approval, code exchange with its verifier.
    FakeWebAuthSession browser;
    AuthService auth(config, browser);
    auth.signIn(AuthProvider::google);
    const QUrl callback = approve(browser.lastAuthorizeURL, service->issuer());
    EXPECT_EQ(QUrlQuery(callback).queryItemValue("state"), browser.sentState());
    browser.complete(callback);
    QEventLoop loop;
    QObject::connect(&auth, &AuthService::isSignedInChanged, &loop, &QEventLoop::quit);
    QObject::connect(&auth, &AuthService::errorMessageChanged, &loop, &QEventLoop::quit);
    if (!auth.isSignedIn())
        loop.exec();
    ASSERT_TRUE(auth.isSignedIn()) << auth.errorMessage().value_or("").toStdString();
    EXPECT_EQ(auth.email(), QString("dealer@example.com"));

    const QByteArray code = QUrlQuery(callback).queryItemValue("code").toUtf8();
    const QByteArray verifier(43, 'a');
    const QByteArray exchange = "client_id=vantry-capture&code=" + code + "&code_verifier=" + verifier +
                                "&grant_type=authorization_code&redirect_uri=vantrycapture%3A%2F%2Fauth";
    const Reply again = request(QUrl(service->issuer() + "/token"), exchange);
    EXPECT_EQ(again.status, 400);
    EXPECT_TRUE(again.body.contains("invalid_grant")) << again.body.toStdString();

    // A fresh code exchanged with a verifier that does not match its challenge is refused, and
    // spent: the real exchange afterwards fails too.
    FakeWebAuthSession secondBrowser;
    AuthService second(config, secondBrowser);
    second.signOut();
    second.signIn(AuthProvider::code);
    const QUrl secondCallback = approve(secondBrowser.lastAuthorizeURL, service->issuer());
    const Reply wrong = request(QUrl(service->issuer() + "/token"),
                                "client_id=vantry-capture&code=" + QUrlQuery(secondCallback).queryItemValue("code").toUtf8() +
                                    "&code_verifier=" + verifier +
                                    "&grant_type=authorization_code&redirect_uri=vantrycapture%3A%2F%2Fauth");
    EXPECT_EQ(wrong.status, 400);
    EXPECT_TRUE(wrong.body.contains("code_verifier")) << wrong.body.toStdString();
    QEventLoop secondLoop;
    QObject::connect(&second, &AuthService::errorMessageChanged, &secondLoop, &QEventLoop::quit);
    secondBrowser.complete(secondCallback);
    if (!second.errorMessage())
        secondLoop.exec();
    EXPECT_FALSE(second.isSignedIn());

    // Requests the application never sends are refused at the page.
    QUrl plain = browser.lastAuthorizeURL;
    QUrlQuery withoutPkce(plain);
    withoutPkce.removeAllQueryItems("code_challenge_method");
    plain.setQuery(withoutPkce);
    EXPECT_EQ(request(plain).status, 400);
}

TEST(StandInService, KeepsImportsAcrossARestartAndRefusesUnknownTokens)
{
    test::TempHome home;
    const QString folder = home.file("stand-in");
    QString error;
    auto service = StandInService::start(0, folder, catalogue(), &error);
    ASSERT_TRUE(service) << error.toStdString();
    InventoryDatabase tokens(StandInService::databasePath(folder));
    const QString tokenFile = home.file("auth.json");
    ASSERT_FALSE(StandInService::signIn(tokens, "dealer@example.com", tokenFile));
    QFile file(tokenFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    const QString token = QJsonDocument::fromJson(file.readAll()).object().value("vantry.capture.accessToken").toString();
    ASSERT_FALSE(token.isEmpty());

    const ImportResult result = test::waitFor(clientWith(*service, token).commit(
        {item("id-bolt", 3)}, QString("A1"), ImportDefaults{QString("NM"), std::nullopt}, {}));
    EXPECT_EQ(result.imported, 3);

    const quint16 port = service->port();
    service.reset();
    service = StandInService::start(port, folder, catalogue(), &error);
    ASSERT_TRUE(service) << error.toStdString();
    const auto bins = test::waitFor(clientWith(*service, token).listInventoryBins());
    ASSERT_EQ(bins.size(), 1u);
    EXPECT_EQ(bins[0].label, "A1");
    EXPECT_EQ(bins[0].totalQty, 3);
    const auto lines = tokens.lines(StandInService::workspaceId);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].itemId, "id-bolt:nonfoil");
    EXPECT_EQ(lines[0].condition, "NM");

    try {
        test::waitFor(clientWith(*service, "forged").listInventoryBins());
        ADD_FAILURE() << "a token the stand-in never issued was accepted";
    } catch (const CaptureError& e) {
        EXPECT_EQ(e.status(), 401);
    }
}

TEST(StandInService, PercentSignsInBinsAndPathsStayAsTheyAre)
{
    test::TempHome home;
    QString error;
    auto service = StandInService::start(0, home.file("stand-in"), catalogue(), &error);
    ASSERT_TRUE(service) << error.toStdString();
    InventoryDatabase tokens(StandInService::databasePath(home.file("stand-in")));
    ASSERT_FALSE(StandInService::signIn(tokens, "dealer@example.com", home.file("auth.json")));
    QFile file(home.file("auth.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString token = QJsonDocument::fromJson(file.readAll()).object().value("vantry.capture.accessToken").toString();
    test::waitFor(clientWith(*service, token)
                      .commit({item("id-bolt", 3)}, QString("Box %7"), ImportDefaults{QString("NM"), std::nullopt}, {}));
    QUrl page(service->apiURL());
    page.setPath("/");
    const Reply reply = request(page);
    EXPECT_TRUE(reply.body.contains("<tr><td>Box %7</td>")) << reply.body.toStdString();
    EXPECT_TRUE(reply.body.contains("<td>3</td></tr>")) << reply.body.toStdString();

    const QString path = home.file("cards %2.tsv");
    QFile catalogueFile(path);
    ASSERT_TRUE(catalogueFile.open(QIODevice::WriteOnly));
    catalogueFile.write("id-1\tname only\n");
    catalogueFile.close();
    try {
        readCardCatalogue(path);
        ADD_FAILURE() << "a line of two fields was read";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), (path + ":1: expected 5 or 6 tab-separated fields, found 2").toStdString());
    }
}

TEST(StandInService, SaysWhyItCannotStart)
{
    test::TempHome home;
    QString error;
    const auto first = StandInService::start(0, home.file("one"), catalogue(), &error);
    ASSERT_TRUE(first) << error.toStdString();

    EXPECT_FALSE(StandInService::start(first->port(), home.file("two"), catalogue(), &error));
    EXPECT_TRUE(error.contains(QString("cannot listen on 127.0.0.1:%1").arg(first->port()))) << error.toStdString();

    QFile blocker(home.file("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(StandInService::start(0, home.file("file/inside"), catalogue(), &error));
    EXPECT_TRUE(error.contains("cannot create the folder")) << error.toStdString();
}
