#include "core/service/CaptureError.h"
#include "core/service/HTTPTransport.h"
#include "core/support/Json.h"
#include "core/service/VantryClient.h"
#include "support/FakeInventoryService.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;
using Endpoint = FakeInventoryService::Endpoint;

namespace {

struct Tokens {
    QString current = "tok-1";
    QString afterRefresh = "tok-2";
    int refreshCalls = 0;
};

std::shared_ptr<HTTPTransport> transportFor(const FakeInventoryService& service,
                                            std::shared_ptr<Tokens> tokens = std::make_shared<Tokens>())
{
    auto t = std::make_shared<HTTPTransport>(
        service.baseURL(),
        [tokens]() -> QCoro::Task<std::optional<QString>> {
            // A copy: QCoro 0.8 moves from an lvalue given to co_return.
            std::optional<QString> token = tokens->current;
            co_return token;
        },
        [tokens]() -> QCoro::Task<bool> {
            ++tokens->refreshCalls;
            tokens->current = tokens->afterRefresh;
            co_return true;
        });
    t->setTimeout(10000ms); // no case here waits for it; a loaded machine can stall a step for seconds
    return t;
}

VantryClient clientFor(const FakeInventoryService& service, std::optional<QString> workspace = std::nullopt,
                       std::shared_ptr<Tokens> tokens = std::make_shared<Tokens>())
{
    return VantryClient(transportFor(service, tokens), "dealer@example.com", std::move(workspace));
}

ScanItemPayload item(const QString& id, int count = 1)
{
    ScanItemPayload p;
    p.itemId = id;
    p.scryfallId = id.section(':', 0, 0);
    p.name = "Card " + id;
    p.setCode = "neo";
    p.collectorNumber = "12";
    p.finish = ScanFinish::nonfoil;
    p.count = count;
    p.confidence = 0.93;
    p.addedBy = "dealer@example.com";
    return p;
}

ScanEvidenceUpload evidence(const QString& itemId, const QByteArray& bytes = "JPEGDATA")
{
    return {itemId, bytes, "image/jpeg", {{"client", "vantry-capture"}, {"source", "desktop-import"}}};
}

template <class F>
std::optional<CaptureError> captureFailure(F&& run)
{
    try {
        run();
    } catch (const CaptureError& e) {
        return e;
    }
    return std::nullopt;
}

QJsonObject bodyOf(const FakeHttpRequest& r) { return json::parseObject(r.body); }

struct RecordedSleeps {
    std::vector<std::chrono::nanoseconds> sleeps;
};

VantryClient withRecordedSleeps(const VantryClient& client, std::shared_ptr<RecordedSleeps> record)
{
    return client.withSleeper([record](std::chrono::nanoseconds d) -> QCoro::Task<void> {
        record->sleeps.push_back(d);
        co_return;
    });
}

ScanSessionPoll poll(const QString& status, std::optional<ScanReplaceCommitResult> result = std::nullopt,
                     std::optional<QString> error = std::nullopt)
{
    return {status, result, error};
}

} // namespace

TEST(VantryClient, WorkspaceIdsAreEncodedAsQueryValues)
{
    auto transport = std::make_shared<HTTPTransport>("http://127.0.0.1:1", nullptr, nullptr);
    struct Case {
        std::optional<QString> workspace;
        QString query;
        QString inventory;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "", "?fresh=1&limit=1"},
        {QString(""), "", "?fresh=1&limit=1"},
        {QString("ws 1"), "?workspaceId=ws%201", "?ws=ws%201&fresh=1&limit=1"},
        // "&", "=", "/", "+", "#" stay inside the value instead of splitting the query.
        {QString("a&b=c/d"), "?workspaceId=a%26b%3Dc%2Fd", "?ws=a%26b%3Dc%2Fd&fresh=1&limit=1"},
        {QString("x+y#z"), "?workspaceId=x%2By%23z", "?ws=x%2By%23z&fresh=1&limit=1"},
        {QString::fromUtf8("\xC3\xA9"), "?workspaceId=%C3%A9", "?ws=%C3%A9&fresh=1&limit=1"},
        {QString("W1-a.b_c~"), "?workspaceId=W1-a.b_c~", "?ws=W1-a.b_c~&fresh=1&limit=1"},
    };
    for (const auto& c : cases) {
        const VantryClient client(transport, "", c.workspace);
        EXPECT_EQ(client.query(), c.query);
        EXPECT_EQ(client.inventoryQuery(), c.inventory);
    }

    struct Segment {
        QString raw;
        QString encoded;
    };
    const std::vector<Segment> segments = {
        {"a/b?c", "a%2Fb%3Fc"},
        {"a b", "a%20b"},
        {"x;y", "x%3By"},
        {"50%#", "50%25%23"},
        {"id:foil:signature", "id:foil:signature"},
        {"!$&'()*+,-.=@_~", "!$&'()*+,-.=@_~"},
        {QString::fromUtf8("\xC3\xA9"), "%C3%A9"},
    };
    for (const auto& s : segments)
        EXPECT_EQ(VantryClient::encodePathSegment(s.raw), s.encoded) << s.raw.toStdString();
}

TEST(VantryClient, WorkspacesBinsEventsAndCleanUp)
{
    FakeInventoryService service;
    service.bins = {{"A1", 9, 12, ""}, {"B2", 1, 1, ""}};
    const auto client = clientFor(service, QString("W 1"));

    const auto workspaces = vantry::test::waitFor(client.listWorkspaces());
    ASSERT_EQ(workspaces.size(), 1u);
    EXPECT_EQ(workspaces[0].wsId, "ws-1");

    EXPECT_EQ(vantry::test::waitFor(client.listInventoryBins()), service.bins);
    service.binShape = FakeInventoryService::BinShape::legacy;
    EXPECT_EQ(vantry::test::waitFor(client.listInventoryBins()), service.bins);
    for (auto reply : {FakeInventoryService::BinsReply::null, FakeInventoryService::BinsReply::missing}) {
        service.binsReply = reply;
        EXPECT_TRUE(vantry::test::waitFor(client.listInventoryBins()).empty());
    }

    vantry::test::waitFor(client.recordEvent("capture.opened", {}));
    EXPECT_EQ(bodyOf(service.journal().back()), json::parseObject(R"({"eventType":"capture.opened","metadata":{}})"));

    service.staleSessionIds = {"old-1"};
    const auto cleaned = vantry::test::waitFor(client.cleanupStaleScanSessions(std::nullopt));
    EXPECT_EQ(cleaned.deletedSessionIds, std::vector<QString>{"old-1"});
    EXPECT_TRUE(service.journal().back().body.isEmpty());
    EXPECT_EQ(service.journal().back().header("Content-Length"), "0");
    vantry::test::waitFor(clientFor(service).cleanupStaleScanSessions(24));
    vantry::test::waitFor(client.cleanupStaleScanSessions(-3));

    EXPECT_EQ(service.lines(), QStringList({
                                   "GET /me/workspaces",
                                   "GET /inventory?ws=W%201&fresh=1&limit=1",
                                   "GET /inventory?ws=W%201&fresh=1&limit=1",
                                   "GET /inventory?ws=W%201&fresh=1&limit=1",
                                   "GET /inventory?ws=W%201&fresh=1&limit=1",
                                   "POST /events",
                                   "POST /scan-sessions/cleanup-stale?workspaceId=W%201",
                                   "POST /scan-sessions/cleanup-stale?idleHours=24",
                                   "POST /scan-sessions/cleanup-stale?workspaceId=W%201&idleHours=-3",
                               }));
}

TEST(VantryClient, CommitSendsEveryStepInOrderWithExactBodies)
{
    FakeInventoryService service;
    const auto client = clientFor(service, QString("W1"));
    ScanItemPayload a = item("aaa:nonfoil", 2);
    a.condition = "NM";
    a.unitCost = 0.5;
    ScanItemPayload b = item("bbb:foil");
    b.finish = ScanFinish::foil;
    b.artSeriesVariant = "signature";

    const ImportDefaults defaults{QString("LP"), 1.25};
    // Evidence for B and for an item C that is not committed; A has none.
    const auto result = vantry::test::waitFor(client.commit({a, b}, QString("A1"), defaults,
                                              {evidence("bbb:foil", "B-FIRST"), evidence("ccc:nonfoil"),
                                               evidence("bbb:foil", "B-SECOND")}));
    EXPECT_EQ(result, (ImportResult{"sess-1", 3}));

    const QStringList lines = service.lines();
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.mid(0, 5), QStringList({
                                   "POST /scan-sessions",
                                   "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                   "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                   "POST /scan-sessions/sess-1/frames/presign?workspaceId=W1",
                                   QString("PUT /storage/frames%2Fsess-1%2F1.jpg?X-Signature=sig1"),
                               }));
    EXPECT_EQ(lines.mid(5), QStringList({
                                "POST /scan-sessions/sess-1/items/bbb:foil/finalize?workspaceId=W1",
                                "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                "POST /scan-sessions/sess-1/import-to-portfolio?workspaceId=W1",
                            }));

    const auto& j = service.journal();
    EXPECT_EQ(bodyOf(j[0]), json::parseObject(R"({"source":"desktop-scan","workspaceId":"W1",
                                                "defaultCondition":"LP","defaultAcquisitionCost":1.25})"));
    EXPECT_EQ(bodyOf(j[1]), json::parseObject(R"({"action":"addItem","item":{
        "itemId":"aaa:nonfoil","scryfallId":"aaa","name":"Card aaa:nonfoil","setCode":"neo","collectorNumber":"12",
        "finish":"nonfoil","condition":"NM","unitCost":0.5,"count":2,"confidence":0.93,"addedBy":"dealer@example.com"}})"));
    EXPECT_EQ(bodyOf(j[2])["item"].toObject()["artSeriesVariant"], "signature");
    EXPECT_EQ(bodyOf(j[3]), json::parseObject(R"({"contentType":"image/jpeg","itemId":"bbb:foil",
        "metadata":{"client":"vantry-capture","source":"desktop-import"}})"));
    EXPECT_EQ(j[4].body, "B-FIRST");
    EXPECT_FALSE(j[4].hasHeader("Authorization"));
    EXPECT_EQ(bodyOf(j[5]), json::parseObject(R"({"s3Key":"frames/sess-1/1.jpg"})"));
    EXPECT_EQ(bodyOf(j[6]), json::parseObject(R"({"action":"updateStatus","status":"reviewing"})"));
    EXPECT_EQ(bodyOf(j[7]), json::parseObject(R"({"location":"A1","defaultCondition":"LP","defaultAcquisitionCost":1.25})"));
    EXPECT_TRUE(service.lastSession().frames.at(0).finalized);
}

TEST(VantryClient, CommitWithoutItemsOrWorkspace)
{
    FakeInventoryService service;
    service.importReply = FakeInventoryService::ImportReply::underData;
    const auto result = vantry::test::waitFor(clientFor(service).commit({}, std::nullopt, std::nullopt, {evidence("x")}));
    EXPECT_EQ(result, (ImportResult{"sess-1", 0}));
    EXPECT_EQ(service.lines(), QStringList({"POST /scan-sessions", "PATCH /scan-sessions/sess-1",
                                            "POST /scan-sessions/sess-1/import-to-portfolio"}));
    EXPECT_EQ(bodyOf(service.journal()[0]), json::parseObject(R"({"source":"desktop-scan"})"));
    EXPECT_EQ(bodyOf(service.journal()[2]), QJsonObject());

    // An empty workspace id is sent in the create body and gives no query string.
    FakeInventoryService other;
    vantry::test::waitFor(clientFor(other, QString("")).commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {}));
    EXPECT_EQ(bodyOf(other.journal()[0]), json::parseObject(R"({"source":"desktop-scan","workspaceId":""})"));
    EXPECT_EQ(other.lines()[1], "PATCH /scan-sessions/sess-1");
}

TEST(VantryClient, ImportCountFollowsTheReplyShape)
{
    // Only a stated count confirms the import; a reply without one, or one that cannot be
    // read, leaves the outcome unknown (the session may hold the cards).
    using IR = FakeInventoryService::ImportReply;
    using CK = ImportResponse::CountKind;
    struct Case {
        IR reply;
        int count;
        CK kind;
    };
    for (const auto& c : std::vector<Case>{{IR::topLevel, 3, CK::reported}, {IR::underData, 3, CK::reported},
                                           {IR::both, 3, CK::reported}, {IR::emptyObject, 0, CK::missing},
                                           {IR::unreadable, 0, CK::unreadable}}) {
        FakeInventoryService service;
        service.importReply = c.reply;
        const ImportResult result = vantry::test::waitFor(
            clientFor(service).commit({item("a:nonfoil", 3)}, std::nullopt, std::nullopt, {}));
        EXPECT_EQ(result, (ImportResult{"sess-1", c.count, c.kind})) << int(c.reply);
        EXPECT_EQ(result.isConfirmed(), c.kind == CK::reported) << int(c.reply);
    }
}

TEST(VantryClient, UploadHeadersComeFromThePresignReply)
{
    using PH = FakeInventoryService::PresignHeaders;
    struct Case {
        PH mode;
        FakeHeaders expected; // besides the transport's own (Host, Content-Length, ...)
        std::vector<QByteArray> absent;
    };
    const std::vector<Case> cases = {
        {PH::absent, {{"content-type", "image/jpeg"}}, {"x-amz-meta-origin"}},
        {PH::empty, {}, {"content-type", "x-amz-meta-origin"}},
        {PH::custom, {{"content-type", "image/jpeg"}, {"x-amz-meta-origin", "capture"}}, {}},
    };
    for (const auto& c : cases) {
        FakeInventoryService service;
        service.presignHeaders = c.mode;
        vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {evidence("a:nonfoil")}));
        const auto uploads = service.server().requests("PUT", "/storage/frames%2Fsess-1%2F1.jpg");
        ASSERT_EQ(uploads.size(), 1u) << int(c.mode);
        for (const auto& [name, value] : c.expected)
            EXPECT_EQ(uploads[0].header(name), value) << int(c.mode) << " " << name.constData();
        for (const auto& name : c.absent)
            EXPECT_FALSE(uploads[0].hasHeader(name)) << int(c.mode) << " " << name.constData();
        EXPECT_FALSE(uploads[0].hasHeader("Authorization"));
        EXPECT_FALSE(uploads[0].hasHeader("accept"));
    }
}

TEST(VantryClient, AFailureEndsTheCommitAndNothingFollows)
{
    struct Case {
        const char* name;
        Endpoint endpoint;
        int nth;
        int requestsSent; // including the failed one
        bool carriesSession;
    };
    // Items A and B, evidence for both: create, add A, add B, presign A, PUT, finalize A,
    // presign B, PUT, finalize B, status, import.
    const std::vector<Case> cases = {
        {"create", Endpoint::createSession, 1, 1, false},
        {"second add", Endpoint::addItem, 2, 3, false},
        {"first presign", Endpoint::presign, 1, 4, false},
        {"first upload", Endpoint::upload, 1, 5, false},
        {"second finalize", Endpoint::finalize, 2, 9, false},
        {"status", Endpoint::setStatus, 1, 10, false},
        {"import", Endpoint::importToPortfolio, 1, 11, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInventoryService service;
        service.failCall(c.endpoint, c.nth, 500, "down for maintenance");
        const auto client = clientFor(service, QString("W1"));
        const auto error = captureFailure([&] {
            vantry::test::waitFor(client.commit({item("a:nonfoil"), item("b:nonfoil")}, std::nullopt, std::nullopt,
                                  {evidence("a:nonfoil"), evidence("b:nonfoil")}));
        });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), CaptureError::Kind::http);
        EXPECT_EQ(error->status(), 500);
        EXPECT_EQ(error->body(), "down for maintenance");
        EXPECT_EQ(int(service.journal().size()), c.requestsSent);
        EXPECT_EQ(error->sessionId().has_value(), c.carriesSession);
        if (c.carriesSession)
            EXPECT_TRUE(error->description().endsWith("(scan session sess-1)"));
    }

    // A timed-out import names the session: the user must check it before importing again.
    FakeInventoryService service;
    FakeHttpResponse silent;
    silent.noReply = true;
    service.failCall(Endpoint::importToPortfolio, 1, silent);
    auto transport = transportFor(service);
    // Only the import gets the short timeout: on a busy machine an earlier step can take longer
    // than that, and its own timeout would end the commit before the import is reached.
    QObject::connect(&service.server(), &FakeHttpServer::requestReceived, [transport](const FakeHttpRequest& r) {
        if (r.body.contains("\"reviewing\""))
            transport->setTimeout(100ms);
    });
    const VantryClient client(transport, "", std::nullopt);
    const auto error = captureFailure([&] { vantry::test::waitFor(client.commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {})); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), CaptureError::Kind::transport);
    EXPECT_EQ(error->sessionId(), QString("sess-1"));
    EXPECT_FALSE(error->isUpload());
}

// A scan picture stopped on its way to the storage address (a time-out, a bad address) is the
// upload's failure, whatever the network layer calls it.
TEST(VantryClient, AFailedPictureUploadSaysSo)
{
    FakeInventoryService service;
    FakeHttpResponse silent;
    silent.noReply = true;
    service.failCall(Endpoint::upload, 1, silent);
    auto transport = transportFor(service);
    QObject::connect(&service.server(), &FakeHttpServer::requestReceived, [transport](const FakeHttpRequest& r) {
        if (r.path().endsWith("/frames/presign"))
            transport->setTimeout(100ms);
    });
    const VantryClient client(transport, "", std::nullopt);
    auto commit = [&] {
        return captureFailure([&] {
            vantry::test::waitFor(client.commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {evidence("a:nonfoil")}));
        });
    };
    const auto timedOut = commit();
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(timedOut->kind(), CaptureError::Kind::transport);
    EXPECT_TRUE(timedOut->isUpload());

    service.uploadUrlOverride = "ftp://127.0.0.1/x.jpg";
    const auto badAddress = commit();
    ASSERT_TRUE(badAddress);
    EXPECT_EQ(badAddress->kind(), CaptureError::Kind::badURL);
    EXPECT_TRUE(badAddress->isUpload());
}

TEST(VantryClient, UnusableUploadURLsStopTheCommitBeforeAnyUpload)
{
    struct Case {
        QString url;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"ftp://127.0.0.1/x.jpg", "ftp://127.0.0.1/x.jpg"},
        {"http://storage.example.com/x.jpg?X-Signature=secret", "http://storage.example.com/x.jpg"},
        {"file:///etc/passwd", "file:///etc/passwd"},
        {"/relative/x.jpg", "/relative/x.jpg"},
        {"https://exa mple.com/x", "https://exa mple.com/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        FakeInventoryService service;
        service.uploadUrlOverride = c.url;
        const auto error = captureFailure([&] {
            vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {evidence("a:nonfoil")}));
        });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), CaptureError::Kind::badURL);
        EXPECT_EQ(error->description(), "bad URL: " + c.shown);
        EXPECT_EQ(service.lines().size(), 3); // create, add, presign
    }
}

TEST(VantryClient, UnreadableRepliesAndUnwritableBodiesFailCleanly)
{
    {
        // A non-finite confidence fails at its add-item step, after the earlier items.
        FakeInventoryService service;
        ScanItemPayload bad = item("b:nonfoil");
        bad.confidence = std::nan("");
        EXPECT_THROW(vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil"), bad, item("c:nonfoil")}, std::nullopt,
                                                       std::nullopt, {})),
                     json::Error);
        EXPECT_EQ(service.lines(), QStringList({"POST /scan-sessions", "PATCH /scan-sessions/sess-1"}));
    }
    {
        // A non-finite default cost is refused before the session is even created.
        FakeInventoryService service;
        EXPECT_THROW(vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil")}, std::nullopt,
                                                       ImportDefaults{std::nullopt, INFINITY}, {})),
                     json::Error);
        EXPECT_TRUE(service.journal().empty());
    }
    struct Case {
        Endpoint endpoint;
        QByteArray reply;
        int requestsSent;
    };
    const std::vector<Case> cases = {
        {Endpoint::createSession, "<html>gateway</html>", 1},
        {Endpoint::createSession, R"({"sessionId":"S"})", 1},
        {Endpoint::createSession, R"({"data":{"sessionId":""}})", 1},
        {Endpoint::presign, R"({"uploadUrl":"https://x/y","s3Key":"k","frameId":"f"})", 3},
        {Endpoint::presign, QByteArray(1 << 20, '['), 3},
    };
    for (const auto& c : cases) {
        FakeInventoryService service;
        service.failCall(c.endpoint, 1, FakeHttpResponse::json(200, c.reply));
        EXPECT_THROW(vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil")}, std::nullopt, std::nullopt,
                                                       {evidence("a:nonfoil")})),
                     json::Error)
            << c.reply.left(60).constData();
        EXPECT_EQ(int(service.journal().size()), c.requestsSent);
    }
}

TEST(VantryClient, AnExpiredTokenIsRefreshedOnceForTheWholeCommit)
{
    FakeInventoryService service;
    service.acceptedToken = "tok-2";
    auto tokens = std::make_shared<Tokens>();
    const auto client = clientFor(service, QString("W1"), tokens);
    const auto result = vantry::test::waitFor(client.commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {evidence("a:nonfoil")}));
    EXPECT_EQ(result.sessionId, "sess-1");
    EXPECT_EQ(tokens->refreshCalls, 1);
    // The rejected create is repeated once; every later request carries the new token.
    const auto& j = service.journal();
    ASSERT_EQ(j.size(), 8u);
    EXPECT_EQ(j[0].header("Authorization"), "Bearer tok-1");
    EXPECT_EQ(j[1].header("Authorization"), "Bearer tok-2");
    EXPECT_EQ(service.lines()[0], service.lines()[1]);

    // A second 401 reaches the caller.
    FakeInventoryService refusing;
    refusing.acceptedToken = "never";
    const auto error = captureFailure([&] { vantry::test::waitFor(clientFor(refusing).listInventoryBins()); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->status(), 401);
    EXPECT_EQ(refusing.journal().size(), 2u);
}

TEST(VantryClient, AwkwardIdsReachTheServiceIntact)
{
    FakeInventoryService service;
    const QString session = QString::fromUtf8("a/b?c#d &e\xC3\xA9");
    const QString itemId = QString::fromUtf8("x/y?z#1 ;%\xC3\xA9:foil");
    const QString workspace = QString::fromUtf8("w&s=1/2 #+\xC3\xA9");
    service.nextSessionIds = {session, ".."};
    const auto client = clientFor(service, workspace);

    const auto result = vantry::test::waitFor(client.commit({item(itemId)}, std::nullopt, std::nullopt, {evidence(itemId)}));
    EXPECT_EQ(result.sessionId, session);
    const auto& s = service.session(session);
    ASSERT_EQ(s.items.size(), 1u);
    EXPECT_EQ(s.items[0].itemId, itemId);
    EXPECT_TRUE(s.frames.at(0).finalized);
    EXPECT_TRUE(s.imported.has_value());
    EXPECT_EQ(service.lines()[4],
              "POST /scan-sessions/a%2Fb%3Fc%23d%20&e%C3%A9/items/x%2Fy%3Fz%231%20%3B%25%C3%A9:foil/finalize"
              "?workspaceId=w%26s%3D1%2F2%20%23%2B%C3%A9");

    // A session id of dots would be normalised out of the path and reach another endpoint.
    service.server().clearJournal();
    const auto error = captureFailure([&] { vantry::test::waitFor(client.commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {})); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), CaptureError::Kind::badURL);
    EXPECT_EQ(service.lines(), QStringList({"POST /scan-sessions"}));
    const auto itemError = captureFailure(
        [&] { vantry::test::waitFor(client.finalizeFrame(session, ".", "k")); });
    ASSERT_TRUE(itemError);
    EXPECT_EQ(itemError->kind(), CaptureError::Kind::badURL);
    EXPECT_EQ(service.lines().size(), 1);
}

TEST(VantryClient, CommitReplaceSendsTheReplacementAfterTheStatus)
{
    FakeInventoryService service;
    const auto client = clientFor(service, QString("W1"));
    const ScanReplaceRequest request{{"A1", "A2"}, {{"a:nonfoil", "A1"}, {"b:foil", "A2"}}, true};
    const auto outcome = vantry::test::waitFor(client.commitReplace({item("a:nonfoil", 2), item("b:foil")}, request));
    EXPECT_EQ(outcome.sessionId, "sess-1");
    EXPECT_EQ(outcome.result.claimed, 3);
    EXPECT_EQ(outcome.result.dryRun, true);
    EXPECT_EQ(service.lines(), QStringList({
                                   "POST /scan-sessions",
                                   "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                   "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                   "PATCH /scan-sessions/sess-1?workspaceId=W1",
                                   "POST /scan-sessions/sess-1/import-replace?workspaceId=W1",
                               }));
    EXPECT_EQ(bodyOf(service.journal()[0]), json::parseObject(R"({"source":"desktop-scan","workspaceId":"W1"})"));
    EXPECT_EQ(bodyOf(service.journal()[3])["status"], "reviewing");
    EXPECT_EQ(ScanReplaceRequest::fromJson(bodyOf(service.journal()[4])), request);

    // The real commit on the preview's session, then the background commit finishes.
    ScanReplaceRequest real = request;
    real.dryRun = false;
    const auto committed = vantry::test::waitFor(client.importReplace(outcome.sessionId, real));
    EXPECT_EQ(committed.sessionStatus, QString("committing"));
    auto record = std::make_shared<RecordedSleeps>();
    EXPECT_EQ(vantry::test::waitFor(withRecordedSleeps(client, record).awaitRecountCommit(outcome.sessionId, 5ms, 80)),
              service.commitResult);
    EXPECT_EQ(service.calls(Endpoint::poll), 3);
    EXPECT_EQ(record->sleeps.size(), 2u);

    // Without a workspace the replacement path has no query; a failed status stops it.
    FakeInventoryService failing;
    failing.failCall(Endpoint::setStatus, 1, 409, "wrong state");
    const auto error = captureFailure([&] { vantry::test::waitFor(clientFor(failing).commitReplace({}, request)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->status(), 409);
    EXPECT_EQ(failing.lines(), QStringList({"POST /scan-sessions", "PATCH /scan-sessions/sess-1"}));
    FakeInventoryService plain;
    vantry::test::waitFor(clientFor(plain).commitReplace({}, request));
    EXPECT_EQ(plain.lines().last(), "POST /scan-sessions/sess-1/import-replace");
}

TEST(VantryClient, AwaitRecountCommitPollsUntilSaved)
{
    const ScanReplaceCommitResult done{3, 1, 2, 4, 12.5, {"A1"}};
    struct Case {
        const char* name;
        std::deque<ScanSessionPoll> script;
        std::vector<int> failPolls; // 1-based polls answered with HTTP 503
        int maxAttempts;
        int polls;
        int sleeps;
        std::optional<QString> failure; // description, nullopt = success
        std::vector<int> unreadablePolls = {}; // 1-based polls answered 200 with a body that is no session
        bool figures = true;                   // a success returns the service's figures
    };
    const std::vector<Case> cases = {
        {"no attempts", {poll("saved", done)}, {}, 0, 0, 0,
         QString("recount is still processing (timed out waiting for it to finish) (scan session sess-1)")},
        {"one committing", {poll("committing")}, {}, 1, 1, 0,
         QString("recount is still processing (timed out waiting for it to finish) (scan session sess-1)")},
        {"saved at third", {poll("committing"), poll("committing"), poll("saved", done)}, {}, 80, 3, 2, std::nullopt},
        {"saved at once", {poll("saved", done)}, {}, 80, 1, 0, std::nullopt},
        // Saved is saved: the replacement took effect even when the service reports no figures.
        {"saved without result", {poll("saved")}, {}, 80, 1, 0, std::nullopt, {}, false},
        {"saved without result after committing", {poll("committing"), poll("saved")}, {}, 80, 2, 1, std::nullopt, {},
         false},
        {"capital Saved", {poll("Saved", done)}, {}, 80, 1, 0,
         QString("recount commit failed: recount was not applied (scan session sess-1)")},
        {"failed with reason", {poll("failed", std::nullopt, QString("bin locked"))}, {}, 80, 1, 0,
         QString("recount commit failed: bin locked (scan session sess-1)")},
        {"empty reason", {poll("failed", std::nullopt, QString(""))}, {}, 80, 1, 0,
         QString("recount commit failed:  (scan session sess-1)")},
        {"failed polls are retried", {poll("committing"), poll("saved", done)}, {1, 2}, 80, 4, 3, std::nullopt},
        {"failed last poll", {poll("committing")}, {2}, 2, 2, 1,
         QString("GET /scan-sessions/sess-1 -> HTTP 503: busy (scan session sess-1)")},
        {"unreadable polls are retried", {poll("committing"), poll("saved", done)}, {}, 80, 3, 2, std::nullopt, {1}},
        // The commit may still be running: the failure names the session so the wait can resume.
        {"unreadable last poll", {poll("committing")}, {}, 2, 2, 1,
         QString("the reply to the recount poll could not be read: malformed JSON at offset 1: illegal value "
                 "(scan session sess-1)"),
         {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInventoryService service;
        const auto base = clientFor(service);
        const auto outcome = vantry::test::waitFor(base.commitReplace({item("a:nonfoil")}, {{"A1"}, {{"a:nonfoil", "A1"}}, false}));
        service.server().clearJournal();
        service.pollScript = c.script;
        for (int n : c.failPolls)
            service.failCall(Endpoint::poll, n, 503, "busy");
        for (int n : c.unreadablePolls)
            service.failCall(Endpoint::poll, n, FakeHttpResponse::json(200, "<html>busy</html>"));
        auto record = std::make_shared<RecordedSleeps>();
        const auto client = withRecordedSleeps(base, record);

        std::optional<ScanReplaceCommitResult> result;
        const auto error = captureFailure([&] {
            result = vantry::test::waitFor(client.awaitRecountCommit(outcome.sessionId, 7ms, c.maxAttempts));
        });
        EXPECT_EQ(service.calls(Endpoint::poll), c.polls);
        EXPECT_EQ(int(record->sleeps.size()), c.sleeps);
        for (auto d : record->sleeps)
            EXPECT_EQ(d, std::chrono::nanoseconds(7ms));
        if (c.failure) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->description(), *c.failure);
        } else {
            EXPECT_FALSE(error) << error->description().toStdString();
            EXPECT_EQ(result, c.figures ? std::optional(done) : std::nullopt);
        }
        for (const auto& line : service.lines())
            EXPECT_EQ(line, "GET /scan-sessions/sess-1");
    }
}

TEST(VantryClient, ARefusedPollIsNotRetriedAndATimedOutWaitCanResume)
{
    FakeInventoryService service;
    const auto base = clientFor(service);
    auto record = std::make_shared<RecordedSleeps>();
    const auto client = withRecordedSleeps(base, record);
    const auto outcome = vantry::test::waitFor(client.commitReplace({item("a:nonfoil")}, {{"A1"}, {{"a:nonfoil", "A1"}}, false}));

    service.failCall(Endpoint::poll, 1, 404, "no such session");
    auto error = captureFailure([&] { vantry::test::waitFor(client.awaitRecountCommit(outcome.sessionId, 1ms, 80)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->status(), 404);
    EXPECT_EQ(service.calls(Endpoint::poll), 1);

    // Still committing after the budget: the error names the session...
    service.pollScript = {poll("committing"), poll("committing"), poll("committing"), poll("saved", service.commitResult)};
    error = captureFailure([&] { vantry::test::waitFor(client.awaitRecountCommit(outcome.sessionId, 1ms, 2)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), CaptureError::Kind::recountCommitTimedOut);
    EXPECT_EQ(error->sessionId(), outcome.sessionId);
    // ...and waiting again on it picks up the result without sending the replacement again.
    EXPECT_EQ(vantry::test::waitFor(client.awaitRecountCommit(*error->sessionId(), 1ms, 80)), service.commitResult);
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1);
    EXPECT_EQ(service.session(outcome.sessionId).replacements.size(), 1u);
}

TEST(VantryClient, ARequestWhoseConnectionDropsIsNotSentAgain)
{
    // The service may have carried a request out before its connection dropped: an import sent
    // again could import the cards twice, an item added again could double its count.
    struct Case {
        const char* name;
        Endpoint endpoint;
        QStringList lines;
        bool carriesSession;
    };
    const std::vector<Case> cases = {
        {"import", Endpoint::importToPortfolio,
         {"POST /scan-sessions", "PATCH /scan-sessions/sess-1", "PATCH /scan-sessions/sess-1",
          "POST /scan-sessions/sess-1/import-to-portfolio"},
         true},
        {"add item", Endpoint::addItem, {"POST /scan-sessions", "PATCH /scan-sessions/sess-1"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInventoryService service;
        FakeHttpResponse hangUp;
        hangUp.hangUp = true;
        service.failCall(c.endpoint, 1, hangUp);
        const auto error = captureFailure(
            [&] { vantry::test::waitFor(clientFor(service).commit({item("a:nonfoil")}, std::nullopt, std::nullopt, {})); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind(), CaptureError::Kind::transport);
        EXPECT_TRUE(error->description().contains("not sent again")) << error->description().toStdString();
        EXPECT_EQ(service.lines(), c.lines);
        EXPECT_EQ(error->sessionId().has_value(), c.carriesSession);
    }
}
