#include "core/service/VantryClient.h"

#include "core/service/CaptureError.h"
#include "core/support/Json.h"

#include <QNetworkReply>

#include <QCoroTimer>
#include <QUrl>

#include <map>

namespace vantry {

namespace {

QCoro::Task<void> timerSleep(std::chrono::nanoseconds interval)
{
    co_await QCoro::sleepFor(std::chrono::duration_cast<std::chrono::milliseconds>(interval));
}

bool isLoopbackHost(const QString& host)
{
    const QString h = host.toLower();
    return h == QLatin1String("127.0.0.1") || h == QLatin1String("localhost") || h == QLatin1String("::1")
        || h == QLatin1String("[::1]");
}

// An empty id would address the collection itself, and "." or ".." are removed from a
// path by URL normalisation even when escaped: such ids would reach another endpoint.
bool isUsableSegment(const QString& id)
{
    return !id.isEmpty() && id != QLatin1String(".") && id != QLatin1String("..");
}

QString withoutQuery(const QString& text)
{
    const qsizetype cut = text.indexOf(QLatin1Char('?'));
    return cut < 0 ? text : text.left(cut);
}

// A poll that failed because the service refused the request itself will not succeed
// when repeated; everything else (network, 5xx, 408, 429, unreadable reply) may.
bool isRetryablePollFailure(const CaptureError& e)
{
    if (!e.is(CaptureError::Kind::http))
        return true;
    const int s = e.status();
    return s >= 500 || s == 408 || s == 429;
}

} // namespace

VantryClient::VantryClient(std::shared_ptr<Transport> transport, QString email, std::optional<QString> workspaceId)
    : transport_(std::move(transport))
    , email_(std::move(email))
    , workspaceId_(std::move(workspaceId))
    , sleeper_(timerSleep)
{
}

VantryClient VantryClient::withSleeper(Sleeper sleeper) const
{
    VantryClient copy = *this;
    copy.sleeper_ = sleeper ? std::move(sleeper) : Sleeper(timerSleep);
    return copy;
}

QString VantryClient::encodeQueryValue(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString VantryClient::encodePathSegment(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, "!$&'()*+,:=@"));
}

QString VantryClient::query() const
{
    if (workspaceId_ && !workspaceId_->isEmpty())
        return QStringLiteral("?workspaceId=") + encodeQueryValue(*workspaceId_);
    return QString();
}

QString VantryClient::inventoryQuery() const
{
    if (workspaceId_ && !workspaceId_->isEmpty())
        return QStringLiteral("?ws=") + encodeQueryValue(*workspaceId_) + QStringLiteral("&fresh=1&limit=1");
    return QStringLiteral("?fresh=1&limit=1");
}

QString VantryClient::sessionPath(const QString& sessionId, const QString& suffix) const
{
    const QString path = QStringLiteral("/scan-sessions/") + encodePathSegment(sessionId) + suffix + query();
    if (!isUsableSegment(sessionId))
        throw CaptureError::badURL(path);
    return path;
}

bool VantryClient::isAcceptableUploadURL(const QUrl& url)
{
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

QCoro::Task<std::vector<WorkspaceSummary>> VantryClient::listWorkspaces() const
{
    const VantryClient self = *this;
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("GET"), QStringLiteral("/me/workspaces"),
                                                            std::nullopt);
    co_return WorkspacesResponse::decode(reply).workspaces;
}

QCoro::Task<std::vector<InventoryBinSummary>> VantryClient::listInventoryBins() const
{
    const VantryClient self = *this;
    const QByteArray reply = co_await self.transport_->send(
        QStringLiteral("GET"), QStringLiteral("/inventory") + self.inventoryQuery(), std::nullopt);
    co_return InventoryBinsResponse::decode(reply).bins.value_or(std::vector<InventoryBinSummary>{});
}

QCoro::Task<QByteArray> VantryClient::recordEvent(QString eventType, StringDictionary metadata) const
{
    const VantryClient self = *this;
    const QByteArray body = wire::encode(AnalyticsEventBody{eventType, metadata}.toJson());
    co_return co_await self.transport_->send(QStringLiteral("POST"), QStringLiteral("/events"), body);
}

QCoro::Task<CleanupStaleResult> VantryClient::cleanupStaleScanSessions(std::optional<int> idleHours) const
{
    const VantryClient self = *this;
    QString path = QStringLiteral("/scan-sessions/cleanup-stale") + self.query();
    if (idleHours)
        path += (path.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?"))
            + QStringLiteral("idleHours=") + QString::number(*idleHours);
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("POST"), path, QByteArray(""));
    co_return CleanupStaleResult::decode(reply);
}

QCoro::Task<QString> VantryClient::createSession(std::optional<ImportDefaults> defaults) const
{
    const VantryClient self = *this;
    CreateSessionBody body;
    body.workspaceId = self.workspaceId_;
    if (defaults) {
        body.defaultCondition = defaults->defaultCondition;
        body.defaultAcquisitionCost = defaults->defaultAcquisitionCost;
    }
    const QByteArray bytes = wire::encode(body.toJson());
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("POST"), QStringLiteral("/scan-sessions"), bytes);
    const QString sessionId = CreateSessionResponse::decode(reply).sessionId;
    if (sessionId.isEmpty())
        throw json::Error("data.sessionId: empty session id");
    co_return sessionId;
}

QCoro::Task<QByteArray> VantryClient::addItem(QString sessionId, ScanItemPayload item) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId);
    AddItemBody body;
    body.item = item;
    const QByteArray bytes = wire::encode(body.toJson());
    co_return co_await self.transport_->send(QStringLiteral("PATCH"), path, bytes);
}

QCoro::Task<QByteArray> VantryClient::setStatus(QString sessionId, QString status) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId);
    UpdateStatusBody body;
    body.status = status;
    const QByteArray bytes = wire::encode(body.toJson());
    co_return co_await self.transport_->send(QStringLiteral("PATCH"), path, bytes);
}

QCoro::Task<QByteArray> VantryClient::importToPortfolio(QString sessionId, std::optional<QString> location,
                                                        std::optional<ImportDefaults> defaults) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId, QStringLiteral("/import-to-portfolio"));
    ImportBody body;
    body.location = location;
    if (defaults) {
        body.defaultCondition = defaults->defaultCondition;
        body.defaultAcquisitionCost = defaults->defaultAcquisitionCost;
    }
    const QByteArray bytes = wire::encode(body.toJson());
    co_return co_await self.transport_->send(QStringLiteral("POST"), path, bytes);
}

QCoro::Task<PresignFrameResponse> VantryClient::presignFrame(QString sessionId, QString itemId, QString contentType,
                                                             StringDictionary metadata) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId, QStringLiteral("/frames/presign"));
    PresignFrameBody body;
    body.contentType = contentType;
    body.itemId = itemId;
    if (!metadata.empty())
        body.metadata = metadata;
    const QByteArray bytes = wire::encode(body.toJson());
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("POST"), path, bytes);
    co_return PresignFrameResponse::decode(reply);
}

QCoro::Task<QByteArray> VantryClient::finalizeFrame(QString sessionId, QString itemId, QString s3Key) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId, QStringLiteral("/items/") + encodePathSegment(itemId)
                                                         + QStringLiteral("/finalize"));
    if (!isUsableSegment(itemId))
        throw CaptureError::badURL(path);
    const QByteArray bytes = wire::encode(FinalizeFrameBody{s3Key}.toJson());
    co_return co_await self.transport_->send(QStringLiteral("POST"), path, bytes);
}

QCoro::Task<void> VantryClient::attachScanEvidence(QString sessionId, ScanEvidenceUpload upload) const
{
    const VantryClient self = *this;
    const PresignFrameResponse slot = co_await self.presignFrame(sessionId, upload.itemId, upload.contentType, upload.metadata);

    const QUrl url(slot.uploadUrl, QUrl::StrictMode);
    // The image goes only where its bytes are protected in transit.
    if (!isAcceptableUploadURL(url))
        throw CaptureError::badURL(withoutQuery(slot.uploadUrl)).atUpload();

    StringDictionary headers;
    if (slot.uploadHeaders)
        headers = *slot.uploadHeaders;
    else
        headers[QStringLiteral("content-type")] = upload.contentType;

    // Whatever stops the picture on its way (a time-out too) is the upload's failure.
    std::optional<CaptureError> failed;
    try {
        co_await self.transport_->upload(url, upload.imageData, headers);
    } catch (const CaptureError& e) {
        failed = e.atUpload();
    }
    if (failed)
        throw *failed;
    co_await self.finalizeFrame(sessionId, upload.itemId, slot.s3Key);
}

QCoro::Task<ImportResult> VantryClient::commit(std::vector<ScanItemPayload> items, std::optional<QString> location,
                                               std::optional<ImportDefaults> defaults,
                                               std::vector<ScanEvidenceUpload> scanEvidence,
                                               BeforeImport beforeImport) const
{
    const VantryClient self = *this;
    const QString sessionId = co_await self.createSession(defaults);

    for (const ScanItemPayload& item : items)
        co_await self.addItem(sessionId, item);

    std::map<QString, const ScanEvidenceUpload*> evidence;
    for (const ScanEvidenceUpload& upload : scanEvidence)
        evidence.emplace(upload.itemId, &upload); // the first upload of an item wins

    for (const ScanItemPayload& item : items) {
        const auto it = evidence.find(item.itemId);
        if (it != evidence.end())
            co_await self.attachScanEvidence(sessionId, *it->second);
    }

    co_await self.setStatus(sessionId, QStringLiteral("reviewing"));

    if (beforeImport) {
        if (const std::optional<QString> reason = co_await beforeImport(sessionId))
            throw ImportWithheld(sessionId, *reason);
    }

    QByteArray reply;
    std::optional<CaptureError> importFailure;
    try {
        reply = co_await self.importToPortfolio(sessionId, location, defaults);
    } catch (const CaptureError& e) {
        importFailure = e.withSessionId(sessionId);
    }
    if (importFailure)
        throw *importFailure;
    const ImportResponse::Count count = ImportResponse::readCount(reply);
    co_return ImportResult{sessionId, count.value, count.kind};
}

bool VantryClient::provesNothingImported(const std::exception& error)
{
    const auto* e = dynamic_cast<const CaptureError*>(&error);
    if (!e || !e->is(CaptureError::Kind::http))
        return false;
    const int s = e->status();
    return s >= 400 && s < 500 && s != 408 && s != 409;
}

QCoro::Task<ScanReplaceResult> VantryClient::importReplace(QString sessionId, ScanReplaceRequest request) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId, QStringLiteral("/import-replace"));
    const QByteArray bytes = wire::encode(request.toJson());
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("POST"), path, bytes);
    co_return ScanReplaceResult::fromJson(json::parseObject(reply));
}

QCoro::Task<ScanSessionPoll> VantryClient::getSession(QString sessionId) const
{
    const VantryClient self = *this;
    const QString path = self.sessionPath(sessionId);
    const QByteArray reply = co_await self.transport_->send(QStringLiteral("GET"), path, std::nullopt);
    co_return ScanSessionEnvelope::decode(reply).data;
}

QCoro::Task<VantryClient::CommitReplaceOutcome> VantryClient::commitReplace(std::vector<ScanItemPayload> items,
                                                                            ScanReplaceRequest request) const
{
    const VantryClient self = *this;
    const QString sessionId = co_await self.createSession(std::nullopt);
    for (const ScanItemPayload& item : items)
        co_await self.addItem(sessionId, item);
    co_await self.setStatus(sessionId, QStringLiteral("reviewing"));

    std::optional<ScanReplaceResult> result;
    std::optional<CaptureError> failure;
    try {
        result = co_await self.importReplace(sessionId, request);
    } catch (const CaptureError& e) {
        failure = e.withSessionId(sessionId);
    }
    if (failure)
        throw *failure;
    co_return CommitReplaceOutcome{sessionId, *result};
}

QCoro::Task<std::optional<ScanReplaceCommitResult>> VantryClient::awaitRecountCommit(
    QString sessionId, std::chrono::nanoseconds pollInterval, int maxAttempts) const
{
    const VantryClient self = *this;
    if (maxAttempts < 1)
        throw CaptureError::recountCommitTimedOut().withSessionId(sessionId);

    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        const bool last = attempt + 1 >= maxAttempts;
        // A poll that failed leaves `poll` empty and is retried after the interval.
        std::optional<ScanSessionPoll> poll;
        try {
            poll = co_await self.getSession(sessionId);
        } catch (const CaptureError& e) {
            if (last || !isRetryablePollFailure(e))
                throw e.withSessionId(sessionId);
        } catch (const json::Error& e) {
            // Like every other poll failure it names the session, so that the wait can be
            // resumed: the commit may still be running on the service.
            if (last)
                throw CaptureError::transport(QNetworkReply::UnknownContentError,
                                              QStringLiteral("the reply to the recount poll could not be read: ") +
                                                  QString::fromUtf8(e.what()))
                    .withSessionId(sessionId);
        }

        if (poll) {
            // "saved" means the replacement took effect, with or without its figures: reading
            // it as a failure would leave the recount pending for good.
            if (poll->status == QLatin1String("saved"))
                co_return poll->commitResult;
            if (poll->status != QLatin1String("committing"))
                throw CaptureError::recountCommitFailed(poll->commitError.value_or(QStringLiteral("recount was not applied")))
                    .withSessionId(sessionId);
            if (last)
                throw CaptureError::recountCommitTimedOut().withSessionId(sessionId);
        }
        co_await self.sleeper_(pollInterval);
    }
    throw CaptureError::recountCommitTimedOut().withSessionId(sessionId); // not reached
}

} // namespace vantry
