#include "support/FakeHttpServer.h"

#include <gtest/gtest.h>

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

using namespace vantry::test;

namespace {

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

QCoro::Task<Reply> fetch(QNetworkAccessManager& nam, QByteArray method, QUrl url, QByteArray body = {},
                         int timeoutMs = 0)
{
    QNetworkRequest request(url);
    if (timeoutMs > 0)
        request.setTransferTimeout(timeoutMs);
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    std::unique_ptr<QNetworkReply> reply(nam.sendCustomRequest(request, method, body));
    co_await reply.get();
    Reply out;
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.body = reply->readAll();
    out.contentType = reply->rawHeader("Content-Type");
    out.error = reply->error();
    co_return out;
}

} // namespace

TEST(FakeHttpServer, RoutesRecordsAndKeepsConnectionsAlive)
{
    FakeHttpServer server;
    QNetworkAccessManager nam;
    server.route("GET", "/v1/items", FakeHttpResponse::json(200, R"({"all":true})"));
    server.route("GET", "/v1/items", "workspace=a%2Fb", FakeHttpResponse::json(200, R"({"one":true})"));
    int calls = 0;
    server.route("POST", "/v1/echo", [&](const FakeHttpRequest& r) {
        ++calls;
        return FakeHttpResponse::json(201, r.body);
    });

    const auto a = QCoro::waitFor(fetch(nam, "GET", server.url("/v1/items?workspace=a%2Fb")));
    const auto b = QCoro::waitFor(fetch(nam, "GET", server.url("/v1/items?workspace=c")));
    const auto c = QCoro::waitFor(fetch(nam, "POST", server.url("/v1/echo"), R"({"x":1})"));
    const auto d = QCoro::waitFor(fetch(nam, "DELETE", server.url("/v1/items")));

    EXPECT_EQ(a.body, R"({"one":true})");
    EXPECT_EQ(b.body, R"({"all":true})");
    EXPECT_EQ(c.status, 201);
    EXPECT_EQ(c.body, R"({"x":1})");
    EXPECT_EQ(c.contentType, "application/json");
    EXPECT_EQ(d.status, 404);
    EXPECT_EQ(calls, 1);

    const auto& journal = server.journal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(server.lines(),
              QStringList({"GET /v1/items?workspace=a%2Fb", "GET /v1/items?workspace=c",
                           "POST /v1/echo", "DELETE /v1/items"}));
    EXPECT_EQ(journal[0].path(), "/v1/items");
    EXPECT_EQ(journal[0].query(), "workspace=a%2Fb");
    EXPECT_EQ(journal[2].body, R"({"x":1})");
    EXPECT_EQ(journal[2].header("content-type"), "application/json");
    EXPECT_EQ(server.count("GET", "/v1/items"), 2);
    // Sequential requests reuse one keep-alive connection.
    EXPECT_EQ(journal[0].connection, journal[3].connection);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(FakeHttpServer, DelaysAndSilenceRunOnTheEventLoop)
{
    FakeHttpServer server;
    QNetworkAccessManager nam;
    server.route("GET", "/slow", FakeHttpResponse::text(200, "late").after(30));
    FakeHttpResponse silent;
    silent.noReply = true;
    server.route("GET", "/never", silent);
    FakeHttpResponse hang;
    hang.hangUp = true;
    server.route("GET", "/hangup", hang);

    EXPECT_EQ(QCoro::waitFor(fetch(nam, "GET", server.url("/slow"))).body, "late");
    EXPECT_EQ(QCoro::waitFor(fetch(nam, "GET", server.url("/never"), {}, 50)).error,
              QNetworkReply::OperationCanceledError);
    EXPECT_NE(QCoro::waitFor(fetch(nam, "GET", server.url("/hangup"))).error, QNetworkReply::NoError);
    EXPECT_EQ(server.count("GET", "/never"), 1);
}
