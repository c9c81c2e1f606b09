#include "core/service/CaptureError.h"
#include "core/service/HTTPTransport.h"
#include "support/FakeHttpServer.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QCoroTask>
#include <QTcpServer>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

struct Tokens {
    std::optional<QString> current = QString("tok-1");
    QString afterRefresh = "tok-2";
    bool refreshSucceeds = true;
    int refreshCalls = 0;
};

HTTPTransport makeTransport(const QString& base, std::shared_ptr<Tokens> tokens)
{
    return HTTPTransport(
        base,
        [tokens]() -> QCoro::Task<std::optional<QString>> {
            // A copy: QCoro 0.8 moves from an lvalue given to co_return.
            std::optional<QString> token = tokens->current;
            co_return token;
        },
        [tokens]() -> QCoro::Task<bool> {
            ++tokens->refreshCalls;
            if (tokens->refreshSucceeds)
                tokens->current = tokens->afterRefresh;
            co_return tokens->refreshSucceeds;
        });
}

template <class T>
std::optional<CaptureError> failureOf(QCoro::Task<T> task)
{
    try {
        vantry::test::waitFor(std::move(task));
    } catch (const CaptureError& e) {
        return e;
    }
    return std::nullopt;
}

QString base(const FakeHttpServer& server) { return server.baseUrl().toString(); }

} // namespace

TEST(HTTPTransport, SendsJsonHeadersBearerAndBodyBelowTheBase)
{
    FakeHttpServer server;
    server.route("POST", "/api/v1/things", FakeHttpResponse::json(200, R"({"ok":1})"));
    auto tokens = std::make_shared<Tokens>();
    auto transport = makeTransport(base(server) + "/api/v1///", tokens);
    EXPECT_EQ(transport.baseURL(), base(server) + "/api/v1");

    const QByteArray reply = vantry::test::waitFor(transport.send("POST", "/things?workspaceId=a%26b", QByteArray(R"({"x":2})")));
    EXPECT_EQ(reply, R"({"ok":1})");
    ASSERT_EQ(server.journal().size(), 1u);
    const auto& r = server.journal()[0];
    EXPECT_EQ(r.target, "/api/v1/things?workspaceId=a%26b");
    EXPECT_EQ(r.header("content-type"), "application/json");
    EXPECT_EQ(r.header("accept"), "application/json");
    EXPECT_EQ(r.header("Authorization"), "Bearer tok-1");
    EXPECT_EQ(r.body, R"({"x":2})");
    EXPECT_FALSE(r.hasHeader("Cookie"));

    // An empty token is still a token; no token means no header. A GET sends no body.
    tokens->current = QString("");
    vantry::test::waitFor(transport.send("POST", "/things", QByteArray()));
    tokens->current.reset();
    server.route("GET", "/api/v1/things", FakeHttpResponse::json(200, "{}"));
    vantry::test::waitFor(transport.send("GET", "/things", std::nullopt));
    ASSERT_EQ(server.journal().size(), 3u);
    EXPECT_EQ(server.journal()[1].header("Authorization"), "Bearer ");
    EXPECT_EQ(server.journal()[1].header("Content-Length"), "0");
    EXPECT_FALSE(server.journal()[2].hasHeader("Authorization"));
    EXPECT_TRUE(server.journal()[2].body.isEmpty());
}

TEST(HTTPTransport, StatusesOutside2xxFailWithTheBodyText)
{
    FakeHttpServer server;
    server.route("GET", "/s299", FakeHttpResponse::text(299, "fine"));
    server.route("GET", "/s204", FakeHttpResponse::text(204, ""));
    server.route("GET", "/s300", FakeHttpResponse::text(300, "multiple"));
    server.route("GET", "/me/workspaces", FakeHttpResponse::text(404, "not found"));
    server.route("GET", "/binary", FakeHttpResponse::text(500, QByteArray("\xff\xfe bad", 6)));
    auto tokens = std::make_shared<Tokens>();
    auto transport = makeTransport(base(server), tokens);

    EXPECT_EQ(vantry::test::waitFor(transport.send("GET", "/s299", std::nullopt)), "fine");
    EXPECT_EQ(vantry::test::waitFor(transport.send("GET", "/s204", std::nullopt)), "");

    struct Case {
        QString path;
        int status;
        QString description;
    };
    const std::vector<Case> cases = {
        {"/s300", 300, "GET /s300 -> HTTP 300: multiple"},
        {"/me/workspaces", 404, "GET /me/workspaces -> HTTP 404: not found"},
        {"/binary", 500, "GET /binary -> HTTP 500: "},
    };
    for (const auto& c : cases) {
        const auto e = failureOf(transport.send("GET", c.path, std::nullopt));
        ASSERT_TRUE(e) << c.path.toStdString();
        EXPECT_EQ(e->kind(), CaptureError::Kind::http);
        EXPECT_EQ(e->status(), c.status);
        EXPECT_EQ(e->path(), c.path);
        EXPECT_EQ(e->description(), c.description);
    }
    EXPECT_EQ(tokens->refreshCalls, 0);
}

TEST(HTTPTransport, A401RefreshesOnceAndRepeatsOnce)
{
    struct Case {
        const char* name;
        std::vector<int> statuses; // answers in order
        bool refreshSucceeds;
        int expectedRequests;
        int expectedRefreshes;
        int failureStatus; // 0 = success
    };
    const std::vector<Case> cases = {
        {"refresh then success", {401, 200}, true, 2, 1, 0},
        {"refresh refused", {401, 200}, false, 1, 1, 401},
        {"second 401 is final", {401, 401, 200}, true, 2, 1, 401},
        {"403 never refreshes", {403, 200}, true, 1, 0, 403},
        {"500 never refreshes", {500, 200}, true, 1, 0, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        int call = 0;
        server.route("GET", "/inventory", [&](const FakeHttpRequest&) {
            const int status = c.statuses.at(std::min<size_t>(call, c.statuses.size() - 1));
            ++call;
            return FakeHttpResponse::json(status, QByteArray("{\"call\":") + QByteArray::number(call) + "}");
        });
        auto tokens = std::make_shared<Tokens>();
        tokens->refreshSucceeds = c.refreshSucceeds;
        auto transport = makeTransport(base(server), tokens);
        const auto e = failureOf(transport.send("GET", "/inventory", std::nullopt));
        EXPECT_EQ(int(server.journal().size()), c.expectedRequests);
        EXPECT_EQ(tokens->refreshCalls, c.expectedRefreshes);
        if (c.failureStatus == 0) {
            EXPECT_FALSE(e);
            EXPECT_EQ(server.journal().back().header("Authorization"), "Bearer tok-2");
        } else {
            ASSERT_TRUE(e);
            EXPECT_EQ(e->status(), c.failureStatus);
        }
    }
    // The body of the answer that is returned is the repeat's.
    FakeHttpServer server;
    int call = 0;
    server.route("GET", "/x", [&](const FakeHttpRequest&) {
        ++call;
        return FakeHttpResponse::json(call == 1 ? 401 : 200, call == 1 ? "first" : "second");
    });
    auto transport = makeTransport(base(server), std::make_shared<Tokens>());
    EXPECT_EQ(vantry::test::waitFor(transport.send("GET", "/x", std::nullopt)), "second");
}

TEST(HTTPTransport, UnusableBaseURLsAreBadURLs)
{
    auto tokens = std::make_shared<Tokens>();
    struct Case {
        QString base;
        QString joined;
    };
    const std::vector<Case> cases = {
        {"///", "/me/workspaces"},                       // only slashes: the path stands alone
        {"", "/me/workspaces"},
        {"api.vantry.test", "api.vantry.test/me/workspaces"}, // no scheme
        {"http://", "http:/me/workspaces"},               // no host
        {"ftp://127.0.0.1", "ftp://127.0.0.1/me/workspaces"},
        {"http://127.0.0.1:1 2", "http://127.0.0.1:1 2/me/workspaces"},
    };
    for (const auto& c : cases) {
        const auto e = failureOf(makeTransport(c.base, tokens).send("GET", "/me/workspaces", std::nullopt));
        ASSERT_TRUE(e) << c.base.toStdString();
        EXPECT_EQ(e->kind(), CaptureError::Kind::badURL) << c.base.toStdString();
        EXPECT_EQ(e->text(), c.joined);
    }
    EXPECT_EQ(tokens->refreshCalls, 0);
}

TEST(HTTPTransport, AReplyThatTricklesInEndsAtTheDeadline)
{
    FakeHttpServer server;
    // A byte every 20 ms: never silent long enough for the inactivity limit.
    server.route("POST", "/scan-sessions/s/import-to-portfolio", FakeHttpResponse::endless("x", 20));
    server.route("PUT", "/bucket/a.jpg", FakeHttpResponse::endless("x", 20));
    auto transport = makeTransport(base(server), std::make_shared<Tokens>());
    transport.setTimeout(1000ms).setDeadline(300ms);
    const auto sent = failureOf(transport.send("POST", "/scan-sessions/s/import-to-portfolio", QByteArray("{}")));
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->kind(), CaptureError::Kind::transport);
    EXPECT_TRUE(sent->description().contains("did not finish within 0.3 s")) << sent->description().toStdString();
    const auto uploaded = failureOf(transport.upload(server.url("/bucket/a.jpg"), "JPEG", {}));
    ASSERT_TRUE(uploaded);
    EXPECT_TRUE(uploaded->description().contains("did not finish within 0.3 s")) << uploaded->description().toStdString();
}

TEST(HTTPTransport, NetworkFailuresAreClearErrors)
{
    FakeHttpServer server;
    FakeHttpResponse silent;
    silent.noReply = true;
    server.route("GET", "/slow", silent);
    server.route("GET", "/cards/a%2Fb", silent);
    server.route("GET", "/huge", FakeHttpResponse::json(200, QByteArray(50000, 'x')));
    FakeHttpResponse hang;
    hang.hangUp = true;
    server.route("GET", "/hangup", hang);
    auto tokens = std::make_shared<Tokens>();
    auto transport = makeTransport(base(server), tokens);
    transport.setTimeout(100ms).setMaxResponseBytes(10000);

    const auto slow = failureOf(transport.send("GET", "/slow", std::nullopt));
    ASSERT_TRUE(slow);
    EXPECT_EQ(slow->kind(), CaptureError::Kind::transport);
    EXPECT_TRUE(slow->description().contains("timed out")) << slow->description().toStdString();
    // The URL's own "%2F" stays as it is in the message.
    const auto escaped = failureOf(transport.send("GET", "/cards/a%2Fb", std::nullopt));
    ASSERT_TRUE(escaped);
    EXPECT_TRUE(escaped->description().contains("/cards/a%2Fb within 0.1 s")) << escaped->description().toStdString();

    const auto huge = failureOf(transport.send("GET", "/huge", std::nullopt));
    ASSERT_TRUE(huge);
    EXPECT_TRUE(huge->description().contains("too large")) << huge->description().toStdString();

    const auto hangUp = failureOf(transport.send("GET", "/hangup", std::nullopt));
    ASSERT_TRUE(hangUp);
    EXPECT_EQ(hangUp->kind(), CaptureError::Kind::transport);

    // A port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    const auto refused = failureOf(
        makeTransport(QString("http://127.0.0.1:%1").arg(closedPort), tokens).send("GET", "/x", std::nullopt));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind(), CaptureError::Kind::transport);
    EXPECT_EQ(tokens->refreshCalls, 0);
}

TEST(HTTPTransport, RedirectsToAnotherOriginAreNotFollowed)
{
    FakeHttpServer service;
    FakeHttpServer stranger;
    stranger.route("GET", "/steal", FakeHttpResponse::json(200, "{}"));
    service.route("GET", "/me/workspaces",
                  FakeHttpResponse::text(302, "").header("Location", stranger.url("/steal").toEncoded()));
    auto transport = makeTransport(base(service), std::make_shared<Tokens>());

    const auto e = failureOf(transport.send("GET", "/me/workspaces", std::nullopt));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind(), CaptureError::Kind::http);
    EXPECT_EQ(e->status(), 302);
    EXPECT_TRUE(stranger.journal().empty());
}

TEST(HTTPTransport, UploadSendsOnlyItsOwnHeadersAndHidesTheQueryOnFailure)
{
    FakeHttpServer storage;
    storage.route("PUT", "/bucket/frame.jpg", FakeHttpResponse::text(200, "stored"));
    storage.route("PUT", "/bucket/denied.jpg", FakeHttpResponse::text(403, "SignatureDoesNotMatch"));
    auto tokens = std::make_shared<Tokens>();
    auto transport = makeTransport("http://127.0.0.1:1", tokens);

    vantry::test::waitFor(transport.upload(storage.url("/bucket/frame.jpg?X-Sig=secret"), "JPEG",
                                    {{"content-type", "image/jpeg"}, {"x-amz-acl", "private"}}));
    vantry::test::waitFor(transport.upload(storage.url("/bucket/frame.jpg"), "JPEG", {}));
    ASSERT_EQ(storage.journal().size(), 2u);
    const auto& first = storage.journal()[0];
    EXPECT_EQ(first.target, "/bucket/frame.jpg?X-Sig=secret");
    EXPECT_EQ(first.body, "JPEG");
    EXPECT_EQ(first.header("content-type"), "image/jpeg");
    EXPECT_EQ(first.header("x-amz-acl"), "private");
    EXPECT_FALSE(first.hasHeader("Authorization"));
    EXPECT_FALSE(first.hasHeader("accept"));
    EXPECT_FALSE(storage.journal()[1].hasHeader("content-type"));
    EXPECT_FALSE(storage.journal()[1].hasHeader("Authorization"));

    const auto e = failureOf(transport.upload(storage.url("/bucket/denied.jpg?X-Sig=secret"), "JPEG", {}));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind(), CaptureError::Kind::http);
    EXPECT_EQ(e->description(),
              QString("PUT %1 -> HTTP 403: SignatureDoesNotMatch").arg(storage.url("/bucket/denied.jpg").toString()));
    EXPECT_FALSE(e->description().contains("secret"));
    EXPECT_EQ(tokens->refreshCalls, 0);

    FakeHttpResponse silent;
    silent.noReply = true;
    storage.route("PUT", "/bucket/slow.jpg", silent);
    transport.setTimeout(100ms);
    const auto slow = failureOf(transport.upload(storage.url("/bucket/slow.jpg?X-Sig=secret"), "JPEG", {}));
    ASSERT_TRUE(slow);
    EXPECT_FALSE(slow->description().contains("secret"));
}
