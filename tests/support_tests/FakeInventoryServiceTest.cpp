#include "support/FakeInventoryService.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

using namespace vantry::test;
using Endpoint = FakeInventoryService::Endpoint;

namespace {

struct Answer {
    int status = 0;
    QByteArray body;
};

QCoro::Task<Answer> call(QNetworkAccessManager& nam, QByteArray method, QUrl url, QByteArray body = {})
{
    QNetworkRequest request(url);
    request.setRawHeader("content-type", "application/json");
    request.setRawHeader("accept", "application/json");
    std::unique_ptr<QNetworkReply> reply(body.isNull() ? nam.sendCustomRequest(request, method)
                                                       : nam.sendCustomRequest(request, method, body));
    co_await reply.get();
    co_return Answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
}

} // namespace

TEST(FakeInventoryService, RefusesWhatTheRealServiceWouldNot)
{
    FakeInventoryService service;
    QNetworkAccessManager nam;
    const QString base = service.baseURL();
    auto post = [&](const QString& path, const QByteArray& body) {
        return vantry::test::waitFor(call(nam, "POST", QUrl(base + path), body));
    };
    EXPECT_EQ(post("/scan-sessions", R"({"source":"desktop-scan","workspaceId":null})").status, 400);
    EXPECT_EQ(post("/scan-sessions", R"({"workspaceId":"W"})").status, 400);
    EXPECT_EQ(post("/scan-sessions/none/import-to-portfolio", "{}").status, 404);
    EXPECT_EQ(post("/nowhere", "{}").status, 404);

    const Answer created = post("/scan-sessions", R"({"source":"desktop-scan","workspaceId":"W 1"})");
    EXPECT_EQ(created.status, 200);
    // The session's workspace must come back in the query, and import needs "reviewing".
    EXPECT_EQ(post("/scan-sessions/sess-1/import-to-portfolio", "{}").status, 400);
    EXPECT_EQ(post("/scan-sessions/sess-1/import-to-portfolio?workspaceId=W%201", "{}").status, 409);
    EXPECT_EQ(service.calls(Endpoint::importToPortfolio), 3);

    service.unauthorizedOnce(Endpoint::workspaces);
    EXPECT_EQ(vantry::test::waitFor(call(nam, "GET", QUrl(base + "/me/workspaces"), QByteArray())).status, 401);
    EXPECT_EQ(vantry::test::waitFor(call(nam, "GET", QUrl(base + "/me/workspaces"), QByteArray())).status, 200);
}
