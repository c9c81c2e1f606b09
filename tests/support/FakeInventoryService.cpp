#include "support/FakeInventoryService.h"

#include "core/support/Json.h"

#include <QUrl>
#include <QUrlQuery>
#include <QJsonArray>

#include <algorithm>

namespace vantry::test {

namespace {

const QByteArray apiPrefix = "/api";
const QByteArray storagePrefix = "/storage/";

bool containsNull(const QJsonValue& v)
{
    if (v.isNull())
        return true;
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (containsNull(it.value()))
                return true;
    }
    if (v.isArray())
        for (const QJsonValue& e : v.toArray())
            if (containsNull(e))
                return true;
    return false;
}

FakeHttpResponse ok(const QJsonObject& o) { return FakeHttpResponse::json(200, json::serialize(o)); }
FakeHttpResponse bad(int status, const QByteArray& why) { return FakeHttpResponse::json(status, "{\"error\":\"" + why + "\"}"); }

QJsonObject printingJson(const FakeInventoryService::Printing& p)
{
    QJsonObject o{{"scryfallId", p.scryfallId}, {"name", p.name}, {"setCode", p.setCode},
                  {"collectorNumber", p.collectorNumber}};
    if (p.priceUsd)
        o.insert("priceUsd", *p.priceUsd);
    return o;
}

QString workspaceFromQuery(const QByteArray& rawQuery, const char* name)
{
    const QUrlQuery q(QString::fromLatin1(rawQuery));
    if (!q.hasQueryItem(QLatin1String(name)))
        return QString();
    return q.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
}

} // namespace

FakeInventoryService::FakeInventoryService()
{
    server_.setFallback([this](const FakeHttpRequest& r) { return handle(r); });
}

FakeInventoryService::FakeInventoryService(FakeHttpServer::Port port)
    : server_(port)
{
    server_.setFallback([this](const FakeHttpRequest& r) { return handle(r); });
}

QString FakeInventoryService::baseURL() const
{
    return server_.baseUrl().toString() + QString::fromLatin1(apiPrefix);
}

QStringList FakeInventoryService::lines() const
{
    QStringList out;
    for (const auto& r : server_.journal()) {
        QByteArray target = r.target;
        if (target.startsWith(apiPrefix + '/'))
            target = target.mid(apiPrefix.size());
        out << QString::fromLatin1(r.method + ' ' + target);
    }
    return out;
}

void FakeInventoryService::failCall(Endpoint endpoint, int nth, FakeHttpResponse response)
{
    scripted_[{endpoint, nth}] = std::move(response);
}

void FakeInventoryService::failAfterHandling(Endpoint endpoint, int nth, FakeHttpResponse response)
{
    scriptedAfter_[{endpoint, nth}] = std::move(response);
}

void FakeInventoryService::failCall(Endpoint endpoint, int nth, int status, const QByteArray& body)
{
    failCall(endpoint, nth, FakeHttpResponse::text(status, body));
}

void FakeInventoryService::unauthorizedOnce(Endpoint endpoint)
{
    failCall(endpoint, calls(endpoint) + 1, FakeHttpResponse::json(401, R"({"error":"token expired"})"));
}

int FakeInventoryService::calls(Endpoint endpoint) const
{
    const auto it = callCounts_.find(endpoint);
    return it == callCounts_.end() ? 0 : it->second;
}

std::optional<FakeInventoryService::Endpoint> FakeInventoryService::classify(const FakeHttpRequest& r,
                                                                             std::vector<QString>& segments) const
{
    const QByteArray path = r.path();
    if (path.startsWith(storagePrefix))
        return r.method == "PUT" ? std::optional(Endpoint::upload) : std::nullopt;
    if (!path.startsWith(apiPrefix + '/'))
        return std::nullopt;
    for (const QByteArray& raw : path.mid(apiPrefix.size() + 1).split('/'))
        segments.push_back(QUrl::fromPercentEncoding(raw));
    const auto& s = segments;
    const QByteArray& m = r.method;
    if (s.size() == 2 && s[0] == "me" && s[1] == "workspaces" && m == "GET")
        return Endpoint::workspaces;
    if (s.size() == 1 && s[0] == "inventory" && m == "GET")
        return Endpoint::bins;
    if (s.size() == 1 && s[0] == "events" && m == "POST")
        return Endpoint::events;
    if (s.size() == 2 && s[0] == "cards" && s[1] == "resolve-printing" && m == "GET")
        return Endpoint::cardLookup;
    if (s.size() == 2 && s[0] == "cards" && s[1] == "search" && m == "GET")
        return Endpoint::cardSearch;
    if (s.empty() || s[0] != "scan-sessions")
        return std::nullopt;
    if (s.size() == 2 && s[1] == "cleanup-stale" && m == "POST")
        return Endpoint::cleanupStale;
    if (s.size() == 1 && m == "POST")
        return Endpoint::createSession;
    if (s.size() == 2 && m == "GET")
        return Endpoint::poll;
    if (s.size() == 2 && m == "PATCH") {
        try {
            const QString action = json::Reader(json::parseObject(r.body)).string("action");
            if (action == "addItem")
                return Endpoint::addItem;
            if (action == "updateStatus")
                return Endpoint::setStatus;
        } catch (const json::Error&) {
        }
        return std::nullopt;
    }
    if (s.size() == 3 && s[2] == "import-to-portfolio" && m == "POST")
        return Endpoint::importToPortfolio;
    if (s.size() == 3 && s[2] == "import-replace" && m == "POST")
        return Endpoint::importReplace;
    if (s.size() == 4 && s[2] == "frames" && s[3] == "presign" && m == "POST")
        return Endpoint::presign;
    if (s.size() == 5 && s[2] == "items" && s[4] == "finalize" && m == "POST")
        return Endpoint::finalize;
    return std::nullopt;
}

std::optional<FakeHttpResponse> FakeInventoryService::handle(const FakeHttpRequest& r)
{
    std::vector<QString> segments;
    const auto endpoint = classify(r, segments);
    if (!endpoint) {
        if (r.path().startsWith(apiPrefix + '/') || r.path().startsWith(storagePrefix))
            return bad(404, "unknown endpoint");
        return std::nullopt;
    }
    const int n = ++callCounts_[*endpoint];
    if (auto it = scripted_.find({*endpoint, n}); it != scripted_.end())
        return it->second;

    if (*endpoint == Endpoint::upload) {
        if (r.hasHeader("Authorization"))
            return bad(400, "a bearer token reached the storage");
    } else if (*endpoint == Endpoint::cardLookup || *endpoint == Endpoint::cardSearch) {
        if (r.hasHeader("Authorization"))
            return bad(400, "the card lookup is public");
    } else {
        if (r.header("content-type") != "application/json" || r.header("accept") != "application/json")
            return bad(415, "JSON headers missing");
        if (acceptedToken && r.header("Authorization") != "Bearer " + acceptedToken->toUtf8())
            return bad(401, "token rejected");
        if (tokenAccepted) {
            const QByteArray authorization = r.header("Authorization");
            if (!authorization.startsWith("Bearer ") || !tokenAccepted(QString::fromUtf8(authorization.mid(7))))
                return bad(401, "token rejected");
        }
        if (!r.body.isEmpty()) {
            try {
                if (containsNull(QJsonValue(json::parseObject(r.body))))
                    return bad(400, "null in body");
            } catch (const json::Error&) {
                return bad(400, "body is not a JSON object");
            }
        }
    }
    try {
        FakeHttpResponse response = dispatch(r, *endpoint, segments);
        if (auto it = scriptedAfter_.find({*endpoint, n}); it != scriptedAfter_.end())
            response = it->second;
        if (const auto delay = delayMs.find(*endpoint); delay != delayMs.end())
            response.after(delay->second);
        return response;
    } catch (const json::Error& e) {
        return bad(400, QByteArray(e.what()).replace('"', '\''));
    }
}

FakeHttpResponse FakeInventoryService::dispatch(const FakeHttpRequest& r, Endpoint endpoint,
                                                const std::vector<QString>& segments)
{
    // Scan-session endpoints: the session must exist and the workspace query must match it.
    Session* session = nullptr;
    if (segments.size() >= 2 && segments[0] == "scan-sessions" && endpoint != Endpoint::cleanupStale) {
        const auto it = sessions.find(segments[1]);
        if (it == sessions.end())
            return bad(404, "no such session");
        session = &it->second;
        const QString expected = session->create.workspaceId.value_or(QString());
        if (workspaceFromQuery(r.query(), "workspaceId") != expected)
            return bad(400, "workspace query does not match the session");
    }

    switch (endpoint) {
    case Endpoint::workspaces: {
        if (r.hasQuery())
            return bad(400, "unexpected query");
        QJsonArray list;
        for (const auto& w : workspaces)
            list.append(w.toJson());
        return ok(QJsonObject{{"workspaces", list}});
    }
    case Endpoint::bins: {
        const QUrlQuery q(QString::fromLatin1(r.query()));
        if (q.queryItemValue("fresh") != "1" || q.queryItemValue("limit") != "1")
            return bad(400, "fresh=1&limit=1 expected");
        QJsonArray list;
        for (const auto& b : bins) {
            if (binShape == BinShape::current)
                list.append(QJsonObject{{"binId", b.label}, {"itemCount", b.totalQty}, {"distinctCardCount", b.distinctSkuCount}});
            else
                list.append(b.toJson());
        }
        if (binsReply == BinsReply::null)
            return FakeHttpResponse::json(200, R"({"bins":null})");
        if (binsReply == BinsReply::missing)
            return FakeHttpResponse::json(200, "{}");
        return ok(QJsonObject{{"bins", list}});
    }
    case Endpoint::events:
        AnalyticsEventBody::fromJson(json::parseObject(r.body));
        return FakeHttpResponse::json(202, R"({"accepted":true})");
    case Endpoint::cleanupStale: {
        if (!r.body.isEmpty())
            return bad(400, "clean-up takes an empty body");
        const QUrlQuery q(QString::fromLatin1(r.query()));
        const int idle = q.hasQueryItem("idleHours") ? q.queryItemValue("idleHours").toInt() : 24;
        return ok(CleanupStaleResult{staleSessionIds, "2024-01-01T00:00:00Z", idle}.toJson());
    }
    case Endpoint::createSession: {
        if (r.hasQuery())
            return bad(400, "create takes no query");
        Session s;
        s.create = CreateSessionBody::fromJson(json::parseObject(r.body));
        if (s.create.source != "desktop-scan")
            return bad(400, "unknown source");
        if (!nextSessionIds.empty()) {
            s.id = nextSessionIds.front();
            nextSessionIds.pop_front();
        } else {
            s.id = QStringLiteral("sess-%1").arg(++sessionCounter_);
        }
        sessions[s.id] = s;
        sessionOrder.push_back(s.id);
        return ok(QJsonObject{{"data", QJsonObject{{"sessionId", s.id}, {"status", "open"}}}});
    }
    case Endpoint::addItem: {
        const AddItemBody body = AddItemBody::fromJson(json::parseObject(r.body));
        session->items.push_back(body.item);
        return ok(QJsonObject{{"data", QJsonObject{{"itemCount", int(session->items.size())}}}});
    }
    case Endpoint::setStatus: {
        const UpdateStatusBody body = UpdateStatusBody::fromJson(json::parseObject(r.body));
        session->status = body.status;
        session->statusChanges.push_back(body.status);
        return ok(QJsonObject{{"data", QJsonObject{{"status", body.status}}}});
    }
    case Endpoint::presign: {
        const PresignFrameBody body = PresignFrameBody::fromJson(json::parseObject(r.body));
        Frame f;
        f.itemId = body.itemId;
        f.contentType = body.contentType;
        f.metadata = body.metadata;
        f.s3Key = QStringLiteral("frames/%1/%2.jpg").arg(session->id, QString::number(++frameCounter_));
        session->frames.push_back(f);
        PresignFrameResponse reply;
        reply.uploadUrl = uploadUrlOverride.value_or(
            server_.baseUrl().toString() + QString::fromLatin1(storagePrefix)
            + QString::fromLatin1(QUrl::toPercentEncoding(f.s3Key)) + QStringLiteral("?X-Signature=sig%1").arg(frameCounter_));
        reply.s3Key = f.s3Key;
        reply.frameId = QStringLiteral("frame-%1").arg(frameCounter_);
        reply.expiresIn = 900;
        if (presignHeaders == PresignHeaders::empty)
            reply.uploadHeaders = StringDictionary{};
        else if (presignHeaders == PresignHeaders::custom)
            reply.uploadHeaders = customUploadHeaders;
        return ok(reply.toJson());
    }
    case Endpoint::upload: {
        const QString key = QUrl::fromPercentEncoding(r.path().mid(storagePrefix.size()));
        for (auto& [id, s] : sessions)
            for (Frame& f : s.frames)
                if (f.s3Key == key) {
                    f.uploaded = true;
                    f.uploadedBytes = r.body;
                    f.uploadHeaders = r.headers;
                    return FakeHttpResponse::text(200, "");
                }
        return FakeHttpResponse::text(403, "<Error>no such upload slot</Error>");
    }
    case Endpoint::finalize: {
        const FinalizeFrameBody body = FinalizeFrameBody::fromJson(json::parseObject(r.body));
        for (Frame& f : session->frames)
            if (f.s3Key == body.s3Key) {
                if (f.itemId != segments[3])
                    return bad(400, "item does not match the frame");
                if (!f.uploaded)
                    return bad(409, "frame was not uploaded");
                f.finalized = true;
                return ok(QJsonObject{{"data", QJsonObject{{"finalized", true}}}});
            }
        return bad(404, "no such frame");
    }
    case Endpoint::importToPortfolio: {
        const ImportBody body = ImportBody::fromJson(json::parseObject(r.body));
        if (session->status != "reviewing")
            return bad(409, "session is not reviewing");
        if (storeImport)
            if (const auto error = storeImport(*session, body))
                return bad(500, error->toUtf8().replace('"', '\''));
        session->imported = body;
        session->status = QStringLiteral("imported");
        int copies = 0;
        for (const auto& item : session->items)
            copies += item.count;
        switch (importReply) {
        case ImportReply::topLevel: return ok(QJsonObject{{"imported", copies}});
        case ImportReply::underData: return ok(QJsonObject{{"data", QJsonObject{{"imported", copies}}}});
        case ImportReply::both: return ok(QJsonObject{{"imported", copies}, {"data", QJsonObject{{"imported", copies + 100}}}});
        case ImportReply::emptyObject: return FakeHttpResponse::json(200, "{}");
        case ImportReply::unreadable: return FakeHttpResponse::text(200, "imported, probably");
        }
        return ok({});
    }
    case Endpoint::importReplace: {
        const ScanReplaceRequest request = ScanReplaceRequest::fromJson(json::parseObject(r.body));
        if (session->status != "reviewing" && session->status != "preview")
            return bad(409, "session is not reviewing");
        int copies = 0;
        for (const auto& item : session->items)
            copies += item.count;
        ScanReplaceResult result;
        result.claimed = copies;
        result.created = copies;
        result.retired = 2;
        result.retiredValueUsd = 7.5;
        result.binsWritten = request.replaceBins;
        result.dryRun = request.dryRun;
        if (storeReplacement)
            if (const auto error = storeReplacement(*session, request, result))
                return bad(500, error->toUtf8().replace('"', '\''));
        session->replacements.push_back(request);
        if (request.dryRun) {
            session->status = QStringLiteral("preview");
        } else {
            result.sessionStatus = replaceSessionStatus;
            session->status = replaceSessionStatus;
        }
        return ok(result.toJson());
    }
    case Endpoint::cardLookup: {
        const QUrlQuery q(QString::fromLatin1(r.query()));
        const QString set = q.queryItemValue("set", QUrl::FullyDecoded);
        const QString number = q.queryItemValue("number", QUrl::FullyDecoded);
        for (const Printing& p : catalogue)
            if (p.setCode.compare(set, Qt::CaseInsensitive) == 0 && p.collectorNumber == number)
                return ok(QJsonObject{{"found", true}, {"printing", printingJson(p)}});
        return ok(QJsonObject{{"found", false}});
    }
    case Endpoint::cardSearch: {
        const QUrlQuery q(QString::fromLatin1(r.query()));
        const QStringList words =
            q.queryItemValue("q", QUrl::FullyDecoded).toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QJsonArray data;
        for (const Printing& p : catalogue) {
            const QString name = p.name.toLower();
            if (!words.isEmpty() && std::all_of(words.begin(), words.end(), [&](const QString& w) { return name.contains(w); }))
                data.append(printingJson(p));
        }
        return ok(QJsonObject{{"data", data}});
    }
    case Endpoint::poll: {
        ScanSessionPoll poll;
        if (!pollScript.empty()) {
            poll = pollScript.front();
            if (pollScript.size() > 1)
                pollScript.pop_front();
            session->status = poll.status;
        } else {
            if (session->status == "committing" && ++session->pollsWhileCommitting > committingPolls)
                session->status = QStringLiteral("saved");
            poll.status = session->status;
            if (poll.status == "saved")
                poll.commitResult = session->commitResult.value_or(commitResult);
        }
        return ok(QJsonObject{{"data", poll.toJson()}});
    }
    }
    return bad(404, "unknown endpoint");
}

} // namespace vantry::test
