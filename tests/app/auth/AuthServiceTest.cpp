#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "core/support/CaptureLog.h"
#include "core/service/HTTPTransport.h"
#include "core/service/OAuth.h"
#include "platform/BrowserWebAuthSession.h"
#include "platform/FakeBrowser.h"
#include "platform/FakeWebAuthSession.h"
#include "platform/SingleInstance.h"

#include "support/FakeHttpServer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrlQuery>

#include <atomic>
#include <memory>
#include <mutex>

using namespace vantry;
using vantry::test::FakeHttpRequest;
using vantry::test::FakeHttpResponse;
using vantry::test::FakeHttpServer;

namespace {

QString jwt(const QByteArray& payloadJson)
{
    const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    return QString::fromLatin1(QByteArray(R"({"alg":"RS256"})").toBase64(b64) + '.' + payloadJson.toBase64(b64) +
                               ".c2lnbmF0dXJl");
}

QByteArray tokenReply(const QString& access, const std::optional<QString>& refresh)
{
    QJsonObject object{{"access_token", access}, {"token_type", "Bearer"}, {"expires_in", 3600}};
    if (refresh)
        object.insert("refresh_token", *refresh);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

OAuthConfig configFor(const FakeHttpServer& server)
{
    return OAuthConfig(server.baseUrl().toString() + "/", "vantry-capture", "vantrycapture://auth", "vantrycapture");
}

QJsonObject tokenFile()
{
    QFile file(TokenStore::fileURL());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void writeTokenFile(const QByteArray& bytes)
{
    QFile file(TokenStore::fileURL());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QMap<QString, QString> formPairs(const QByteArray& body)
{
    QMap<QString, QString> out;
    for (const QByteArray& piece : body.split('&')) {
        const qsizetype eq = piece.indexOf('=');
        out.insert(QString::fromUtf8(piece.left(eq)), QUrl::fromPercentEncoding(piece.mid(eq + 1)));
    }
    return out;
}

QUrl callback(const QString& query)
{
    return QUrl("vantrycapture://auth?" + query);
}

// A temporary home that outlives the diagnostic log lines written into it.
struct Home : test::TempHome {
    ~Home() { CaptureLog::flush(); }
};

bool waitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 5000);
}

// A second process started by the desktop for `url`: its blocking hand-off runs on a thread
// while this thread's event loop serves the running instance.
SingleInstance::Forward handOff(const QString& serverName, const QUrl& url)
{
    std::atomic<bool> done{false};
    SingleInstance::Forward result = SingleInstance::Forward::failed;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        result = SingleInstance::forward(serverName, url);
        done = true;
    }));
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
    thread->wait();
    return result;
}

} // namespace

TEST(AuthService, SignsInThroughTheBrowserSessionWithPkceAndStoresTheTokens)
{
    Home home;
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply(jwt(R"({"email":"dealer@shop.test"})"), "R-1")));
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    QSignalSpy signedIn(&auth, &AuthService::isSignedInChanged);
    ASSERT_FALSE(auth.isSignedIn());

    auth.signIn(AuthProvider::google);
    ASSERT_EQ(web.startCount, 1);
    EXPECT_EQ(web.lastCallbackScheme, "vantrycapture");
    const QUrlQuery sent(web.lastAuthorizeURL);
    EXPECT_EQ(web.lastAuthorizeURL.toString(QUrl::RemoveQuery), server.baseUrl().toString() + "/authorize");
    EXPECT_EQ(sent.queryItemValue("provider"), "google");
    EXPECT_EQ(sent.queryItemValue("code_challenge_method"), "S256");
    const QString challenge = sent.queryItemValue("code_challenge");

    ASSERT_TRUE(web.complete(callback("code=C%2B1&state=" + web.sentState())));
    ASSERT_TRUE(waitFor([&] { return auth.isSignedIn(); }));

    ASSERT_EQ(server.journal().size(), 1u);
    const FakeHttpRequest& request = server.journal().front();
    EXPECT_EQ(request.line(), "POST /token");
    EXPECT_EQ(request.header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.header("accept"), "application/json");
    EXPECT_FALSE(request.hasHeader("authorization"));
    EXPECT_TRUE(request.body.startsWith("client_id=vantry-capture&code=C%2B1&code_verifier="));
    EXPECT_TRUE(request.body.endsWith("&grant_type=authorization_code&redirect_uri=vantrycapture%3A%2F%2Fauth"));
    // The verifier sent with the code is the one whose hash went out with the authorize URL.
    EXPECT_EQ(OAuth::codeChallenge(formPairs(request.body).value("code_verifier")), challenge);

    EXPECT_EQ(auth.email(), QStringLiteral("dealer@shop.test"));
    EXPECT_EQ(auth.errorMessage(), std::nullopt);
    EXPECT_EQ(auth.accessToken(), jwt(R"({"email":"dealer@shop.test"})"));
    EXPECT_GE(signedIn.count(), 1);
    EXPECT_EQ(tokenFile(), (QJsonObject{{"vantry.capture.accessToken", jwt(R"({"email":"dealer@shop.test"})")},
                                        {"vantry.capture.refreshToken", "R-1"}}));
    EXPECT_EQ(QFileInfo(TokenStore::fileURL()).permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);

    // The e-mail provider asks for the other provider; a new sign-in has a new state and verifier.
    auth.signIn(AuthProvider::code);
    const QUrlQuery second(web.lastAuthorizeURL);
    EXPECT_EQ(second.queryItemValue("provider"), "code");
    EXPECT_NE(second.queryItemValue("state"), sent.queryItemValue("state"));
    EXPECT_NE(second.queryItemValue("code_challenge"), challenge);
}

TEST(AuthService, TokenEndpointFailuresAreShownAndChangeNothing)
{
    struct Case {
        FakeHttpResponse response;
        QString message; // exact, or a prefix when `prefixOnly`
        bool prefixOnly = false;
        int requests = 1; // 0: at least one (a connection closed without an answer may be retried)
    };
    FakeHttpResponse silent;
    silent.noReply = true;
    FakeHttpResponse hangUp;
    hangUp.hangUp = true;
    const std::vector<Case> cases = {
        {FakeHttpResponse::json(400, R"({"error":"invalid_grant"})"),
         R"(Sign-in failed: POST /token -> HTTP 400: {"error":"invalid_grant"})"},
        // A 401 of the token endpoint is not a reason to refresh.
        {FakeHttpResponse::text(401, "expired"), "Sign-in failed: POST /token -> HTTP 401: expired"},
        {FakeHttpResponse::text(500, "\xff\xfe\xfd"), "Sign-in failed: POST /token -> HTTP 500: "},
        {FakeHttpResponse::text(200, "<html>maintenance</html>"), "Sign-in failed: malformed JSON", true},
        {FakeHttpResponse::json(200, R"({"refresh_token":"R"})"), "Sign-in failed: access_token", true},
        {hangUp, "Sign-in failed: ", true},
        {silent, "Sign-in failed: the sign-in service did not answer in time"},
    };
    Home home;
    FakeHttpServer server;
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    auth.setTokenRequestTimeout(std::chrono::milliseconds(200));
    for (const Case& c : cases) {
        server.clearJournal();
        server.route("POST", "/token", c.response);
        auth.signIn(AuthProvider::google);
        // A new sign-in clears the last failure at once.
        EXPECT_EQ(auth.errorMessage(), std::nullopt);
        ASSERT_TRUE(web.complete(callback("code=C&state=" + web.sentState())));
        ASSERT_TRUE(waitFor([&] { return auth.errorMessage().has_value(); })) << c.message.toStdString();
        const QString message = *auth.errorMessage();
        if (c.prefixOnly) {
            EXPECT_TRUE(message.startsWith(c.message)) << message.toStdString();
            EXPECT_GT(message.size(), c.message.size()) << message.toStdString();
        } else {
            EXPECT_EQ(message, c.message);
        }
        if (c.requests > 0)
            EXPECT_EQ(server.count("POST", "/token"), c.requests);
        else
            EXPECT_GE(server.count("POST", "/token"), 1);
        EXPECT_FALSE(auth.isSignedIn());
        EXPECT_EQ(auth.accessToken(), std::nullopt);
        EXPECT_FALSE(QFile::exists(TokenStore::fileURL()));
    }
}

TEST(AuthService, ATokenRequestWhoseConnectionDropsIsNotSentAgain)
{
    // A code is good for one exchange, and an issuer that rotates refresh tokens revokes the
    // whole family when one is presented twice: a request whose kept-alive connection closes
    // without an answer must fail, not go out a second time.
    for (const bool refresh : {false, true}) {
        SCOPED_TRACE(refresh ? "refresh" : "code exchange");
        Home home;
        writeTokenFile(R"({"vantry.capture.accessToken":"A-0","vantry.capture.refreshToken":"R-1"})");
        FakeHttpServer server;
        server.route("POST", "/token", [&server](const FakeHttpRequest&) {
            if (server.count("POST", "/token") == 1)
                return FakeHttpResponse::json(200, tokenReply("A-1", "R-2"));
            FakeHttpResponse dropped;
            dropped.hangUp = true;
            return dropped;
        });
        FakeWebAuthSession web;
        AuthService auth(configFor(server), web);
        // The first request leaves its connection open for the next one.
        ASSERT_TRUE(QCoro::waitFor(auth.refreshAccessToken()));

        if (refresh) {
            EXPECT_FALSE(QCoro::waitFor(auth.refreshAccessToken()));
            EXPECT_EQ(auth.accessToken(), QStringLiteral("A-1"));
        } else {
            auth.signIn(AuthProvider::google);
            ASSERT_TRUE(web.complete(callback("code=C-once&state=" + web.sentState())));
            ASSERT_TRUE(waitFor([&] { return auth.errorMessage().has_value(); }));
            EXPECT_TRUE(auth.errorMessage()->contains("not sent again")) << auth.errorMessage()->toStdString();
        }
        QTest::qWait(50); // a repeat would have arrived by now
        ASSERT_EQ(server.count("POST", "/token"), 2);
        EXPECT_EQ(server.journal()[1].connection, server.journal()[0].connection);
    }
}

TEST(AuthService, ARefreshTokenThatCannotBeFormEncodedIsNotSent)
{
    Home home;
    // A lone high surrogate has no UTF-8 form; sent as it stands, the "&" would add a form item.
    writeTokenFile(R"({"vantry.capture.accessToken":"A-old","vantry.capture.refreshToken":"R\ud800&client_id=other"})");
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply("A-new", "R-new")));
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);

    EXPECT_FALSE(QCoro::waitFor(auth.refreshAccessToken()));
    EXPECT_EQ(server.count("POST", "/token"), 0);
    EXPECT_EQ(auth.accessToken(), QStringLiteral("A-old"));
}

TEST(AuthService, BrowserSessionOutcomesWithoutAUsableCallback)
{
    const QString noCode = "Sign-in did not return a code.";
    const QString foreign = "Sign-in failed: the reply did not belong to this sign-in. Please try again.";
    struct Case {
        std::function<void(FakeWebAuthSession&)> finish;
        QString message;
    };
    const std::vector<Case> cases = {
        {[](FakeWebAuthSession& w) { w.cancel(); }, "Sign-in canceled."},
        {[](FakeWebAuthSession& w) { w.fail({WebAuthError::Code::browserUnavailable, "No browser."}); }, "No browser."},
        {[](FakeWebAuthSession& w) { w.completeWithoutURL(); }, noCode},
        {[](FakeWebAuthSession& w) { w.complete(QUrl("vantrycapture://auth")); }, noCode},
        {[](FakeWebAuthSession& w) { w.complete(callback("error=access_denied&state=" + w.sentState())); }, noCode},
        {[](FakeWebAuthSession& w) { w.complete(callback("code&code=C&state=" + w.sentState())); }, noCode},
        {[](FakeWebAuthSession& w) { w.complete(callback("code=C&state=FORGED")); }, foreign},
        {[](FakeWebAuthSession& w) { w.complete(callback("code=C")); }, foreign},
        {[](FakeWebAuthSession& w) { w.complete(callback("code=C&state=" + w.sentState() + "&state=" + w.sentState())); },
         foreign},
    };
    Home home;
    FakeHttpServer server;
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    for (const Case& c : cases) {
        auth.signIn(AuthProvider::google);
        c.finish(web);
        ASSERT_TRUE(waitFor([&] { return auth.errorMessage().has_value(); })) << c.message.toStdString();
        EXPECT_EQ(auth.errorMessage(), c.message);
        EXPECT_FALSE(auth.isSignedIn());
    }
    EXPECT_TRUE(server.journal().empty());
}

TEST(AuthService, ForgedCallbacksThroughTheLinuxSessionNeverReachTheTokenEndpoint)
{
    Home home;
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply(jwt("{}"), "R-1")));
    FakeBrowser browser;
    BrowserWebAuthSession web(browser);
    AuthService auth(configFor(server), web);

    // Nothing pending: refused.
    EXPECT_FALSE(web.deliverCallback(callback("code=EARLY&state=X")));

    auth.signIn(AuthProvider::google);
    ASSERT_EQ(browser.opened.size(), 1);
    const QString state = QUrlQuery(browser.opened.front()).queryItemValue("state");
    EXPECT_FALSE(web.deliverCallback(callback("code=FORGED&state=X")));
    const QUrl real = callback("code=REAL&state=" + state);
    EXPECT_TRUE(web.deliverCallback(real));
    EXPECT_FALSE(web.deliverCallback(real)); // delivered twice (a reloaded page): once is enough
    ASSERT_TRUE(waitFor([&] { return auth.isSignedIn(); }));
    QTest::qWait(20); // any stray second exchange would have reached the server by now

    ASSERT_EQ(server.count("POST", "/token"), 1);
    EXPECT_EQ(formPairs(server.journal().front().body).value("code"), "REAL");
    EXPECT_EQ(auth.errorMessage(), std::nullopt);
}

TEST(AuthService, WithoutABrowserTheAddressIsShownAndItsCallbackHandedOverSignsIn)
{
    Home home;
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply(jwt("{}"), "R-1")));
    FakeBrowser browser;
    browser.opens = false;
    BrowserWebAuthSession web(browser);
    AuthService auth(configFor(server), web);
    // Wired as the application wires it: URLs handed to the running process go to the session.
    QTemporaryDir dir;
    SingleInstance running(dir.filePath("instance.socket"));
    ASSERT_TRUE(running.listen());
    QObject::connect(&running, &SingleInstance::urlReceived, &web, &BrowserWebAuthSession::deliverCallback);
    QSignalSpy addressChanges(&auth, &AuthService::signInAddressChanged);

    auth.signIn(AuthProvider::google);
    QCoreApplication::processEvents(); // a failed session would have reported by now
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(auth.signInAddress(), browser.opened.front());
    EXPECT_EQ(auth.errorMessage(), std::nullopt);
    EXPECT_TRUE(web.isPending());
    const QString state = QUrlQuery(browser.opened.front()).queryItemValue("state");

    // The address opened by hand in a browser of the user's: its redirect reaches this process.
    EXPECT_EQ(handOff(running.serverName(), callback("code=FORGED&state=X")), SingleInstance::Forward::delivered);
    QCoreApplication::processEvents();
    EXPECT_FALSE(auth.isSignedIn());
    EXPECT_EQ(auth.signInAddress(), browser.opened.front()) << "a refused callback leaves the sign-in waiting";
    EXPECT_EQ(handOff(running.serverName(), callback("code=BY-HAND&state=" + state)),
              SingleInstance::Forward::delivered);
    ASSERT_TRUE(waitFor([&] { return auth.isSignedIn(); }));
    EXPECT_EQ(auth.signInAddress(), std::nullopt);
    ASSERT_EQ(server.count("POST", "/token"), 1);
    const auto form = formPairs(server.journal().front().body);
    EXPECT_EQ(form.value("code"), "BY-HAND");
    EXPECT_FALSE(form.value("code_verifier").isEmpty());
    EXPECT_EQ(addressChanges.count(), 2);

    // A new attempt with a browser shows no address.
    auth.signOut();
    browser.opens = true;
    auth.signIn(AuthProvider::code);
    EXPECT_EQ(auth.signInAddress(), std::nullopt);
}

TEST(AuthService, RestoresTheTokensFromTheFile)
{
    const QString withEmail = jwt(R"({"properties":{"email":"p@shop.test"}})");
    struct Case {
        QByteArray file;
        bool signedIn;
        std::optional<QString> email;
        bool canRefresh; // a 401 can still sign the user in
    };
    const std::vector<Case> cases = {
        {QJsonDocument(QJsonObject{{"vantry.capture.accessToken", withEmail}, {"vantry.capture.refreshToken", "R"}})
             .toJson(),
         true, "p@shop.test", true},
        {R"({"vantry.capture.accessToken":"opaque-token"})", true, std::nullopt, false},
        {R"({"vantry.capture.refreshToken":"R"})", false, std::nullopt, true},
        {R"({"vantry.capture.accessToken":"A","vantry.capture.refreshToken":7})", false, std::nullopt, false},
        {"garbage", false, std::nullopt, false},
    };
    for (const Case& c : cases) {
        Home home;
        writeTokenFile(c.file);
        FakeHttpServer server;
        server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply(jwt(R"({"email":"new@shop.test"})"), {})));
        FakeWebAuthSession web;
        AuthService auth(configFor(server), web);
        EXPECT_EQ(auth.isSignedIn(), c.signedIn) << c.file.toStdString();
        EXPECT_EQ(auth.email(), c.email) << c.file.toStdString();

        EXPECT_EQ(QCoro::waitFor(auth.refreshAccessToken()), c.canRefresh) << c.file.toStdString();
        EXPECT_EQ(server.count("POST", "/token"), c.canRefresh ? 1 : 0);
        if (c.canRefresh) {
            EXPECT_EQ(server.journal().front().body, "client_id=vantry-capture&grant_type=refresh_token&refresh_token=R");
            EXPECT_TRUE(auth.isSignedIn());
            EXPECT_EQ(auth.email(), QStringLiteral("new@shop.test"));
            // The reply had no refresh token: the old one stays, in memory and in the file.
            EXPECT_EQ(tokenFile().value("vantry.capture.refreshToken").toString(), "R");
        }
    }
}

TEST(AuthService, ARefreshClearsAnEarlierFailureAndAFailedOneChangesNothing)
{
    Home home;
    writeTokenFile(R"({"vantry.capture.accessToken":"A-old","vantry.capture.refreshToken":"R-old"})");
    FakeHttpServer server;
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    auth.signIn(AuthProvider::google);
    web.cancel();
    ASSERT_TRUE(waitFor([&] { return auth.errorMessage().has_value(); }));

    server.route("POST", "/token", FakeHttpResponse::text(400, "invalid_grant"));
    EXPECT_FALSE(QCoro::waitFor(auth.refreshAccessToken()));
    EXPECT_EQ(auth.accessToken(), QStringLiteral("A-old"));
    EXPECT_EQ(auth.errorMessage(), QStringLiteral("Sign-in canceled."));

    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply("A-new", "R-new")));
    EXPECT_TRUE(QCoro::waitFor(auth.refreshAccessToken()));
    EXPECT_EQ(auth.accessToken(), QStringLiteral("A-new"));
    EXPECT_EQ(auth.errorMessage(), std::nullopt);
    EXPECT_EQ(tokenFile(), (QJsonObject{{"vantry.capture.accessToken", "A-new"}, {"vantry.capture.refreshToken", "R-new"}}));
}

TEST(AuthService, ConcurrentRefreshesShareOneRequest)
{
    Home home;
    writeTokenFile(R"({"vantry.capture.accessToken":"A-old","vantry.capture.refreshToken":"R-single-use"})");
    FakeHttpServer server;
    // The service honours a refresh token once, as a rotating issuer does.
    int used = 0;
    server.route("POST", "/token", [&used](const FakeHttpRequest& r) {
        if (r.body.contains("R-single-use") && used++ == 0)
            return FakeHttpResponse::json(200, tokenReply("A-new", "R-next")).after(30);
        return FakeHttpResponse::text(400, "invalid_grant");
    });
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);

    // Two requests met a 401 at the same moment.
    auto first = auth.refreshAccessToken();
    auto second = auth.refreshAccessToken();
    EXPECT_TRUE(QCoro::waitFor(std::move(first)));
    EXPECT_TRUE(QCoro::waitFor(std::move(second)));
    EXPECT_EQ(server.count("POST", "/token"), 1);
    EXPECT_EQ(auth.accessToken(), QStringLiteral("A-new"));
    EXPECT_EQ(tokenFile().value("vantry.capture.refreshToken").toString(), "R-next");

    // Once it is over, the next 401 refreshes again (with the new refresh token).
    EXPECT_FALSE(QCoro::waitFor(auth.refreshAccessToken()));
    EXPECT_EQ(server.count("POST", "/token"), 2);
}

TEST(AuthService, TokenRepliesThatArriveAfterASignOutAreDropped)
{
    Home home;
    writeTokenFile(R"({"vantry.capture.accessToken":"A-old","vantry.capture.refreshToken":"R-old"})");
    FakeHttpServer server;
    server.route("POST", "/token", FakeHttpResponse::json(200, tokenReply("A-late", "R-late")));
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    // The user signs out while the token request is on its way.
    QObject::connect(&server, &FakeHttpServer::requestReceived, &auth, [&] { auth.signOut(); });

    auto refresh = auth.refreshAccessToken();
    auto joined = auth.refreshAccessToken();
    EXPECT_FALSE(QCoro::waitFor(std::move(refresh)));
    EXPECT_FALSE(QCoro::waitFor(std::move(joined)));
    EXPECT_FALSE(auth.isSignedIn());
    EXPECT_EQ(auth.accessToken(), std::nullopt);
    EXPECT_EQ(tokenFile(), QJsonObject{});

    // Likewise a code exchange.
    auth.signIn(AuthProvider::google);
    ASSERT_TRUE(web.complete(callback("code=C&state=" + web.sentState())));
    ASSERT_TRUE(waitFor([&] { return server.count("POST", "/token") == 2; }));
    QTest::qWait(50);
    EXPECT_FALSE(auth.isSignedIn());
    EXPECT_EQ(auth.errorMessage(), std::nullopt);
    EXPECT_EQ(tokenFile(), QJsonObject{});
}

TEST(AuthService, SignOutForgetsTheTokensEvenWhenTheFileCannotBeRewritten)
{
    const QString access = jwt(R"({"email":"a@shop.test"})");
    const QByteArray stored = QJsonDocument(QJsonObject{{"vantry.capture.accessToken", access},
                                                        {"vantry.capture.refreshToken", "R"},
                                                        {"other", "kept"}})
                                  .toJson();
    enum class Setup { plainFile, danglingLink, folderInTheWay };
    struct Case {
        Setup setup;
        bool fileLeft;
        bool userTold;
    };
    const std::vector<Case> cases = {
        {Setup::plainFile, true, false},
        // Cannot be rewritten, but can be removed.
        {Setup::danglingLink, false, false},
        // Can be neither rewritten nor removed: the user has to know.
        {Setup::folderInTheWay, true, true},
    };
    for (const Case& c : cases) {
        Home home;
        const QString path = TokenStore::fileURL();
        writeTokenFile(stored);
        FakeHttpServer server;
        FakeWebAuthSession web;
        AuthService auth(configFor(server), web);
        ASSERT_TRUE(auth.isSignedIn());
        if (c.setup == Setup::danglingLink) {
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QFile::link(home.file("missing/auth.json"), path));
        } else if (c.setup == Setup::folderInTheWay) {
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QDir().mkpath(path + "/inside"));
        }
        QSignalSpy signedIn(&auth, &AuthService::isSignedInChanged);

        auth.signOut();
        EXPECT_FALSE(auth.isSignedIn());
        EXPECT_EQ(signedIn.count(), 1);
        EXPECT_EQ(auth.email(), std::nullopt);
        EXPECT_EQ(auth.accessToken(), std::nullopt);
        EXPECT_FALSE(QCoro::waitFor(auth.refreshAccessToken()));
        const QFileInfo left(path);
        EXPECT_EQ(left.exists() || left.isSymLink(), c.fileLeft);
        if (c.setup == Setup::plainFile) {
            EXPECT_EQ(tokenFile(), (QJsonObject{{"other", "kept"}}));
        }
        if (c.userTold) {
            EXPECT_EQ(auth.errorMessage(), "Signed out, but the saved sign-in could not be deleted. Delete the file " +
                                               path + " to finish signing out.");
        } else {
            EXPECT_EQ(auth.errorMessage(), std::nullopt);
        }
        EXPECT_TRUE(server.journal().empty()); // nothing is revoked remotely
    }
}

namespace {

std::mutex capturedLock;
QStringList captured;

void captureMessage(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    std::lock_guard lock(capturedLock);
    captured.append(QString::fromUtf8(context.category ? context.category : "") + ": " + message);
}

} // namespace

TEST(AuthService, NoCodeOrTokenReachesAnyLog)
{
    Home home;
    const QString secretCode = "CODE-5ecr3t";
    const QString secretAccess = jwt(R"({"email":"a@shop.test","sid":"ACCESS-5ecr3t"})");
    const QString secretRefresh = "REFRESH-5ecr3t";
    FakeHttpServer server;
    int calls = 0;
    server.route("POST", "/token", [&](const FakeHttpRequest& r) {
        // The first answer echoes what it was sent, as some error pages do.
        if (calls++ == 0)
            return FakeHttpResponse::text(400, r.body);
        return FakeHttpResponse::json(200, tokenReply(secretAccess, secretRefresh));
    });
    FakeBrowser browser;
    BrowserWebAuthSession web(browser);
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    {
        AuthService auth(configFor(server), web);
        for (int attempt = 0; attempt < 2; ++attempt) {
            auth.signIn(AuthProvider::google);
            const QString state = QUrlQuery(browser.opened.back()).queryItemValue("state");
            web.deliverCallback(callback("code=" + secretCode + "&state=WRONG"));
            EXPECT_TRUE(web.deliverCallback(callback("code=" + secretCode + "&state=" + state)));
            web.deliverCallback(callback("code=" + secretCode + "&state=" + state));
            ASSERT_TRUE(waitFor([&] { return auth.isSignedIn() || auth.errorMessage().has_value(); }));
        }
        ASSERT_TRUE(auth.isSignedIn());
        EXPECT_TRUE(QCoro::waitFor(auth.refreshAccessToken()));
        auth.signOut();
    }
    CaptureLog::flush();
    qInstallMessageHandler(previous);

    QFile logFile(CaptureLog::filePath());
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(logFile.readAll());
    EXPECT_TRUE(log.contains("[auth] sign-in callback refused") || captured.join('\n').contains("refused"));
    EXPECT_TRUE(log.contains("[auth] code exchange failed: HTTP 400"));
    std::lock_guard lock(capturedLock);
    const QString messages = captured.join('\n');
    for (const QString& secret : {QString("5ecr3t"), secretAccess.section('.', 1, 1)}) {
        EXPECT_FALSE(log.contains(secret)) << log.toStdString();
        EXPECT_FALSE(messages.contains(secret)) << messages.toStdString();
    }
}

TEST(AuthService, ARefreshOutlivingTheServiceAnswersNoNewToken)
{
    Home home;
    writeTokenFile(R"({"vantry.capture.accessToken":"A","vantry.capture.refreshToken":"R"})");
    FakeHttpServer server;
    FakeHttpResponse silent;
    silent.noReply = true;
    server.route("POST", "/token", silent);
    FakeWebAuthSession web;
    auto auth = std::make_unique<AuthService>(configFor(server), web);

    auto leader = auth->refreshAccessToken();
    auto follower = auth->refreshAccessToken();
    ASSERT_TRUE(waitFor([&] { return server.count("POST", "/token") == 1; }));
    auth.reset();
    EXPECT_FALSE(QCoro::waitFor(std::move(follower)));
    QTest::qWait(20);
}

TEST(AuthService, TheCodeIsNeverRedirectedToAnotherHost)
{
    Home home;
    FakeHttpServer server;
    FakeHttpServer stranger;
    stranger.route("POST", "/token", FakeHttpResponse::json(200, tokenReply("A", "R")));
    server.route("POST", "/token",
                 FakeHttpResponse::text(307, "moved").header("Location", stranger.url("/token").toEncoded()));
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);

    auth.signIn(AuthProvider::google);
    ASSERT_TRUE(web.complete(callback("code=C&state=" + web.sentState())));
    ASSERT_TRUE(waitFor([&] { return auth.errorMessage().has_value(); }));
    // The network layer stops at the refused redirect without reading its body.
    EXPECT_TRUE(auth.errorMessage()->startsWith("Sign-in failed: POST /token -> HTTP 307: "))
        << auth.errorMessage()->toStdString();
    EXPECT_TRUE(stranger.journal().empty());
    EXPECT_FALSE(auth.isSignedIn());
}

TEST(AuthService, TwoRequestsRefusedWithA401ShareOneRefreshThroughTheTransport)
{
    Home home;
    writeTokenFile(R"({"vantry.capture.accessToken":"A-old","vantry.capture.refreshToken":"R-single-use"})");
    FakeHttpServer server;
    server.route("GET", "/me/workspaces", [](const FakeHttpRequest& r) {
        if (r.header("authorization") == "Bearer A-new")
            return FakeHttpResponse::json(200, R"({"workspaces":[]})");
        return FakeHttpResponse::text(401, "expired");
    });
    int used = 0;
    server.route("POST", "/token", [&used](const FakeHttpRequest& r) {
        if (r.body.contains("R-single-use") && used++ == 0)
            // Held long enough for the other request's 401 to arrive while it runs.
            return FakeHttpResponse::json(200, tokenReply("A-new", "R-next")).after(250);
        return FakeHttpResponse::text(400, "invalid_grant");
    });
    FakeWebAuthSession web;
    AuthService auth(configFor(server), web);
    // The providers the batch model gives its service client.
    HTTPTransport transport(
        server.baseUrl().toString(),
        [&auth]() -> QCoro::Task<std::optional<QString>> { co_return auth.accessToken(); },
        [&auth]() { return auth.refreshAccessToken(); });

    auto first = transport.send("GET", "/me/workspaces", std::nullopt);
    auto second = transport.send("GET", "/me/workspaces", std::nullopt);
    EXPECT_EQ(test::waitFor(std::move(first)), QByteArray(R"({"workspaces":[]})"));
    EXPECT_EQ(test::waitFor(std::move(second)), QByteArray(R"({"workspaces":[]})"));
    EXPECT_EQ(server.count("POST", "/token"), 1);
    EXPECT_EQ(server.count("GET", "/me/workspaces"), 4);
    EXPECT_EQ(tokenFile().value("vantry.capture.refreshToken").toString(), "R-next");
}
