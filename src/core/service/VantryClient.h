#pragma once

#include "core/service/ScanEvidenceUpload.h"
#include "core/card/ScanItemPayload.h"
#include "core/service/ScanReplace.h"
#include "core/service/ServiceRecords.h"
#include "core/service/Transport.h"

#include <QCoroTask>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// The inventory service client: an immutable value of transport, e-mail and workspace.
// Each operation sends its requests strictly one after another; the first failure ends it
// unchanged. Every coroutine copies the client first, so a temporary client is safe.
class VantryClient {
public:
    using CleanupStaleResult = vantry::CleanupStaleResult;
    // Suspends for the poll interval of awaitRecountCommit (tests inject their own).
    using Sleeper = std::function<QCoro::Task<void>(std::chrono::nanoseconds)>;
    // Runs once the session is ready and before the import call: the import call goes out only
    // when it ends with none; otherwise the commit throws `ImportWithheld` with that reason.
    using BeforeImport = std::function<QCoro::Task<std::optional<QString>>(QString sessionId)>;

    // The commit stopped before its import call because `BeforeImport` said no.
    struct ImportWithheld : std::exception {
        QString sessionId;
        QString reason;
        ImportWithheld(QString session, QString why) : sessionId(std::move(session)), reason(std::move(why)) {}
        const char* what() const noexcept override { return "the import call was withheld"; }
    };

    struct CommitReplaceOutcome {
        QString sessionId;
        ScanReplaceResult result;
    };

    static constexpr std::chrono::nanoseconds recountPollInterval{1'500'000'000};
    static constexpr int recountPollAttempts = 80;

    VantryClient(std::shared_ptr<Transport> transport, QString email, std::optional<QString> workspaceId);

    const std::shared_ptr<Transport>& transport() const { return transport_; }
    const QString& email() const { return email_; }
    const std::optional<QString>& workspaceId() const { return workspaceId_; }

    VantryClient withSleeper(Sleeper sleeper) const;

    // "?workspaceId=<encoded>" or "" without a workspace.
    QString query() const;
    // "?ws=<encoded>&fresh=1&limit=1" or "?fresh=1&limit=1".
    QString inventoryQuery() const;

    // A query value keeps only unreserved characters, so "&", "=", "+", "#" reach the
    // service inside the value.
    static QString encodeQueryValue(const QString& value);
    // A path segment: "/", "?", "#", "%", blanks and non-ASCII are escaped. Ids that are
    // empty, "." or ".." cannot be a segment and fail the call with badURL.
    static QString encodePathSegment(const QString& value);

    // Workspaces, bins, events, clean-up.
    QCoro::Task<std::vector<WorkspaceSummary>> listWorkspaces() const;
    QCoro::Task<std::vector<InventoryBinSummary>> listInventoryBins() const;
    QCoro::Task<QByteArray> recordEvent(QString eventType, StringDictionary metadata) const;
    QCoro::Task<CleanupStaleResult> cleanupStaleScanSessions(std::optional<int> idleHours) const;

    // Scan sessions.
    QCoro::Task<QString> createSession(std::optional<ImportDefaults> defaults) const;
    QCoro::Task<QByteArray> addItem(QString sessionId, ScanItemPayload item) const;
    QCoro::Task<QByteArray> setStatus(QString sessionId, QString status) const;
    QCoro::Task<QByteArray> importToPortfolio(QString sessionId, std::optional<QString> location,
                                              std::optional<ImportDefaults> defaults) const;
    QCoro::Task<PresignFrameResponse> presignFrame(QString sessionId, QString itemId, QString contentType,
                                                   StringDictionary metadata) const;
    QCoro::Task<QByteArray> finalizeFrame(QString sessionId, QString itemId, QString s3Key) const;
    QCoro::Task<void> attachScanEvidence(QString sessionId, ScanEvidenceUpload upload) const;
    // Create, add items, evidence per item, "reviewing", `beforeImport`, import. A failure of
    // the import call carries the session id; so does a result whose reply gave no readable
    // count (`isConfirmed()` false).
    QCoro::Task<ImportResult> commit(std::vector<ScanItemPayload> items, std::optional<QString> location,
                                     std::optional<ImportDefaults> defaults,
                                     std::vector<ScanEvidenceUpload> scanEvidence,
                                     BeforeImport beforeImport = {}) const;
    // Whether a failure of the import call proves that the service applied nothing: a refusal
    // of the request itself (a client error other than 408 and 409). Anything else, a 409 or
    // a lost connection included, leaves the outcome unknown.
    static bool provesNothingImported(const std::exception& error);

    // Recount.
    QCoro::Task<ScanReplaceResult> importReplace(QString sessionId, ScanReplaceRequest request) const;
    QCoro::Task<ScanSessionPoll> getSession(QString sessionId) const;
    QCoro::Task<CommitReplaceOutcome> commitReplace(std::vector<ScanItemPayload> items,
                                                    ScanReplaceRequest request) const;
    // Polls until "saved" and returns its figures; none when the service reports the session
    // saved without them (the replacement took effect all the same). A failed poll is retried
    // within the attempt budget (unless the service refused the request itself); every failure
    // carries the session id, and calling again with the same session resumes waiting without
    // re-sending anything.
    QCoro::Task<std::optional<ScanReplaceCommitResult>> awaitRecountCommit(QString sessionId,
                                                                           std::chrono::nanoseconds pollInterval,
                                                                           int maxAttempts) const;

    // Whether a presigned upload URL may be used: https, or http to a loopback host.
    static bool isAcceptableUploadURL(const QUrl& url);

private:
    QString sessionPath(const QString& sessionId, const QString& suffix = {}) const;

    std::shared_ptr<Transport> transport_;
    QString email_;
    std::optional<QString> workspaceId_;
    Sleeper sleeper_;
};

} // namespace vantry
