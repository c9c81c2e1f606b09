#pragma once

#include "core/service/InventoryBinSummary.h"
#include "core/card/ScanItemPayload.h"
#include "core/service/ScanReplace.h"
#include "core/service/ServiceRecords.h"
#include "core/service/WorkspaceSummary.h"
#include "support/FakeHttpServer.h"

#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace vantry::test {

// The inventory service, on a loopback FakeHttpServer, with every endpoint the client
// calls, strict checks of what it receives (bodies read with the client's own records,
// no null anywhere, known sessions and upload keys) and scripted failures.
// The API lives below "/api" (so tests exercise a base URL with a path); presigned uploads
// go to "/storage/..." on the same loopback server.
class FakeInventoryService {
public:
    enum class Endpoint {
        workspaces,
        bins,
        events,
        cleanupStale,
        createSession,
        addItem,
        setStatus,
        presign,
        upload,
        finalize,
        importToPortfolio,
        importReplace,
        poll,
        cardLookup, // "/cards/resolve-printing"
        cardSearch, // "/cards/search"
    };

    enum class BinShape { current, legacy };
    enum class BinsReply { list, null, missing };
    // Where the import count travels, or an unreadable reply.
    enum class ImportReply { topLevel, underData, both, emptyObject, unreadable };
    enum class PresignHeaders { absent, empty, custom };

    struct Frame {
        QString itemId;
        QString s3Key;
        std::optional<StringDictionary> metadata;
        QString contentType;
        bool uploaded = false;
        bool finalized = false;
        QByteArray uploadedBytes;
        FakeHeaders uploadHeaders;
    };

    struct Session {
        QString id;
        CreateSessionBody create;
        std::vector<ScanItemPayload> items;
        std::vector<QString> statusChanges;
        QString status = QStringLiteral("open");
        std::vector<Frame> frames;
        std::optional<ImportBody> imported;
        std::vector<ScanReplaceRequest> replacements;
        int pollsWhileCommitting = 0;
        std::optional<ScanReplaceCommitResult> commitResult;
    };

    FakeInventoryService();
    // On a given loopback port (0: a free one); check `server().listening()`.
    explicit FakeInventoryService(FakeHttpServer::Port port);

    FakeHttpServer& server() { return server_; }
    const std::vector<FakeHttpRequest>& journal() const { return server_.journal(); }
    // "http://127.0.0.1:<port>/api"
    QString baseURL() const;
    // Journal lines with the "/api" prefix removed ("POST /scan-sessions"); uploads keep
    // their full target.
    QStringList lines() const;

    // --- state the service answers from ---
    std::vector<WorkspaceSummary> workspaces{{"ws-1", QString("Main shop"), QString("owner")}};
    std::vector<InventoryBinSummary> bins;
    BinShape binShape = BinShape::current;
    BinsReply binsReply = BinsReply::list;
    std::vector<QString> staleSessionIds;
    // Ids handed out by create-session, in order; then "sess-<n>".
    std::deque<QString> nextSessionIds;
    ImportReply importReply = ImportReply::topLevel;
    PresignHeaders presignHeaders = PresignHeaders::absent;
    StringDictionary customUploadHeaders{{"content-type", "image/jpeg"}, {"x-amz-meta-origin", "capture"}};
    std::optional<QString> uploadUrlOverride; // e.g. an ftp:// or empty URL
    // The non-dry-run replacement answers with this session status ("committing" starts
    // a background commit that the poll script then reports).
    QString replaceSessionStatus = QStringLiteral("committing");
    // Successive poll answers (the last one repeats). Without a script a "committing"
    // session answers "committing" for `committingPolls` polls, then "saved" with
    // `commitResult`; any other session answers its own status.
    std::deque<ScanSessionPoll> pollScript;
    int committingPolls = 2;
    ScanReplaceCommitResult commitResult{3, 1, 2, 4, 12.5, {"A1"}};
    // When set, only "Bearer <token>" is accepted; anything else gets 401.
    std::optional<QString> acceptedToken;
    // When set, decides which bearer tokens are accepted (after `acceptedToken`).
    std::function<bool(const QString& token)> tokenAccepted;

    // A store behind the service. Each hook runs before the call answers success; an error
    // text answers 500 with it and leaves the session as it was, so the client never hears
    // of an import that was not kept.
    std::function<std::optional<QString>(const Session& session, const ImportBody& body)> storeImport;
    // Fills in the replacement's result (a dry run too) and keeps a committed one; a committed
    // replacement's poll reports the result `commitResult` of the session, when set.
    std::function<std::optional<QString>(Session& session, const ScanReplaceRequest& request,
                                         ScanReplaceResult& result)>
        storeReplacement;

    // The service's card lookup answers from this catalogue: by set (any case) and
    // collector number, and by words of the name.
    struct Printing {
        QString scryfallId;
        QString name;
        QString setCode;
        QString collectorNumber;
        std::optional<QString> priceUsd;
    };
    std::vector<Printing> catalogue;
    // Answers of an endpoint wait this long (the request is handled at once).
    std::map<Endpoint, int> delayMs;

    // The n-th call (1-based, counted per endpoint) answers with `response` instead.
    void failCall(Endpoint endpoint, int nth, FakeHttpResponse response);
    void failCall(Endpoint endpoint, int nth, int status, const QByteArray& body = "scripted failure");
    // The n-th call is carried out as usual, then answered with `response` instead (the
    // service committed, but its answer never arrived as sent).
    void failAfterHandling(Endpoint endpoint, int nth, FakeHttpResponse response);
    // The next call of `endpoint` answers 401 once (the transport refreshes and repeats).
    void unauthorizedOnce(Endpoint endpoint);
    int calls(Endpoint endpoint) const;

    std::map<QString, Session> sessions;
    std::vector<QString> sessionOrder;
    const Session& session(const QString& id) const { return sessions.at(id); }
    const Session& lastSession() const { return sessions.at(sessionOrder.back()); }

private:
    // None for a request outside the service (the server's own routes answer it).
    std::optional<FakeHttpResponse> handle(const FakeHttpRequest& request);
    FakeHttpResponse dispatch(const FakeHttpRequest& request, Endpoint endpoint, const std::vector<QString>& segments);
    std::optional<Endpoint> classify(const FakeHttpRequest& request, std::vector<QString>& segments) const;

    FakeHttpServer server_;
    std::map<Endpoint, int> callCounts_;
    std::map<std::pair<Endpoint, int>, FakeHttpResponse> scripted_;
    std::map<std::pair<Endpoint, int>, FakeHttpResponse> scriptedAfter_;
    int sessionCounter_ = 0;
    int frameCounter_ = 0;
};

} // namespace vantry::test
