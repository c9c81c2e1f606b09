#include "core/service/ServiceRecords.h"

#include "core/support/Json.h"

namespace vantry {

namespace wire {

QJsonObject toJson(const StringDictionary& dictionary)
{
    QJsonObject out;
    for (const auto& [key, value] : dictionary)
        out.insert(key, value);
    return out;
}

StringDictionary dictionaryFromJson(const QJsonValue& value, const QString& where)
{
    const QJsonObject object = json::toObject(value, where);
    StringDictionary out;
    for (auto it = object.begin(); it != object.end(); ++it)
        out[it.key()] = json::toString(it.value(), where + QLatin1Char('.') + it.key());
    return out;
}

QByteArray encode(const QJsonObject& object)
{
    return json::serialize(object);
}

} // namespace wire

namespace {

std::optional<StringDictionary> optDictionary(const json::Reader& r, const QString& key)
{
    if (!r.has(key))
        return std::nullopt;
    return wire::dictionaryFromJson(r.object().value(key), r.path(key));
}

} // namespace

QJsonObject ImportDefaults::toJson() const
{
    json::Writer w;
    w.setOpt("defaultCondition", defaultCondition).setOpt("defaultAcquisitionCost", defaultAcquisitionCost);
    return w.object();
}

ImportDefaults ImportDefaults::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.optString("defaultCondition"), r.optNumber("defaultAcquisitionCost")};
}

QJsonObject CreateSessionBody::toJson() const
{
    json::Writer w;
    w.set("source", source)
        .setOpt("workspaceId", workspaceId)
        .setOpt("defaultCondition", defaultCondition)
        .setOpt("defaultAcquisitionCost", defaultAcquisitionCost);
    return w.object();
}

CreateSessionBody CreateSessionBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    CreateSessionBody b;
    b.source = r.string("source");
    b.workspaceId = r.optString("workspaceId");
    b.defaultCondition = r.optString("defaultCondition");
    b.defaultAcquisitionCost = r.optNumber("defaultAcquisitionCost");
    return b;
}

QJsonObject AddItemBody::toJson() const
{
    json::Writer w;
    w.set("action", action).set("item", item.toJson());
    return w.object();
}

AddItemBody AddItemBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    AddItemBody b;
    b.action = r.string("action");
    b.item = ScanItemPayload::fromJson(r.objectAt("item"), r.path("item"));
    return b;
}

QJsonObject UpdateStatusBody::toJson() const
{
    json::Writer w;
    w.set("action", action).set("status", status);
    return w.object();
}

UpdateStatusBody UpdateStatusBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    UpdateStatusBody b;
    b.action = r.string("action");
    b.status = r.string("status");
    return b;
}

QJsonObject ImportBody::toJson() const
{
    json::Writer w;
    w.setOpt("location", location)
        .setOpt("defaultCondition", defaultCondition)
        .setOpt("defaultAcquisitionCost", defaultAcquisitionCost);
    return w.object();
}

ImportBody ImportBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.optString("location"), r.optString("defaultCondition"), r.optNumber("defaultAcquisitionCost")};
}

QJsonObject PresignFrameBody::toJson() const
{
    json::Writer w;
    w.set("contentType", contentType).set("itemId", itemId);
    if (metadata)
        w.set("metadata", wire::toJson(*metadata));
    return w.object();
}

PresignFrameBody PresignFrameBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("contentType"), r.string("itemId"), optDictionary(r, "metadata")};
}

QJsonObject FinalizeFrameBody::toJson() const
{
    json::Writer w;
    w.set("s3Key", s3Key);
    return w.object();
}

FinalizeFrameBody FinalizeFrameBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("s3Key")};
}

QJsonObject AnalyticsEventBody::toJson() const
{
    json::Writer w;
    w.set("eventType", eventType).set("metadata", wire::toJson(metadata));
    return w.object();
}

AnalyticsEventBody AnalyticsEventBody::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("eventType"), wire::dictionaryFromJson(r.objectAt("metadata"), r.path("metadata"))};
}

CreateSessionResponse CreateSessionResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    const json::Reader data(r.objectAt("data"), "data");
    return {data.string("sessionId")};
}

ScanSessionEnvelope ScanSessionEnvelope::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    return {ScanSessionPoll::fromJson(r.objectAt("data"), "data")};
}

QJsonObject PresignFrameResponse::toJson() const
{
    json::Writer w;
    w.set("uploadUrl", uploadUrl).set("s3Key", s3Key).set("frameId", frameId).set("expiresIn", expiresIn);
    if (uploadHeaders)
        w.set("uploadHeaders", wire::toJson(*uploadHeaders));
    return w.object();
}

PresignFrameResponse PresignFrameResponse::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    PresignFrameResponse p;
    p.uploadUrl = r.string("uploadUrl");
    p.s3Key = r.string("s3Key");
    p.frameId = r.string("frameId");
    p.expiresIn = r.int32("expiresIn");
    p.uploadHeaders = optDictionary(r, "uploadHeaders");
    return p;
}

PresignFrameResponse PresignFrameResponse::decode(const QByteArray& bytes)
{
    return fromJson(json::parseObject(bytes));
}

WorkspacesResponse WorkspacesResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    return {r.list<WorkspaceSummary>("workspaces", [](const QJsonValue& v, const QString& where) {
        return WorkspaceSummary::fromJson(v, where);
    })};
}

InventoryBinsResponse InventoryBinsResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    InventoryBinsResponse out;
    if (r.has("bins"))
        out.bins = r.list<InventoryBinSummary>("bins", [](const QJsonValue& v, const QString& where) {
            return InventoryBinSummary::fromJson(v, where);
        });
    return out;
}

ImportResponse ImportResponse::decode(const QByteArray& bytes)
{
    const json::Reader r(json::parseObject(bytes));
    ImportResponse out;
    out.imported = r.optInt32("imported");
    if (r.has("data")) {
        const json::Reader data(r.objectAt("data"), "data");
        out.data = Data{data.optInt32("imported")};
    }
    return out;
}

ImportResponse::Count ImportResponse::readCount(const QByteArray& bytes)
{
    try {
        const ImportResponse reply = decode(bytes);
        if (reply.imported)
            return {CountKind::reported, *reply.imported};
        if (reply.data && reply.data->imported)
            return {CountKind::reported, *reply.data->imported};
        return {CountKind::missing, 0};
    } catch (const json::Error&) {
        return {CountKind::unreadable, 0};
    }
}

int ImportResponse::importedCount(const QByteArray& bytes)
{
    return readCount(bytes).value;
}

QJsonObject CleanupStaleResult::toJson() const
{
    json::Writer w;
    w.set("deletedSessionIds", deletedSessionIds).set("cutoffIso", cutoffIso).set("idleHours", idleHours);
    return w.object();
}

CleanupStaleResult CleanupStaleResult::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.strings("deletedSessionIds"), r.string("cutoffIso"), r.int32("idleHours")};
}

CleanupStaleResult CleanupStaleResult::decode(const QByteArray& bytes)
{
    return fromJson(json::parseObject(bytes));
}

} // namespace vantry
