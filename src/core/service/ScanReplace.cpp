#include "core/service/ScanReplace.h"

#include "core/support/Json.h"

namespace vantry {

namespace {

// The six counting fields shared by the result and the commit result.
template <class T>
void writeCounts(json::Writer& w, const T& r)
{
    w.set("claimed", r.claimed)
        .set("movedFromOtherBins", r.movedFromOtherBins)
        .set("created", r.created)
        .set("retired", r.retired)
        .set("retiredValueUsd", r.retiredValueUsd)
        .set("binsWritten", r.binsWritten);
}

template <class T>
void readCounts(const json::Reader& r, T& out)
{
    out.claimed = r.int32("claimed");
    out.movedFromOtherBins = r.int32("movedFromOtherBins");
    out.created = r.int32("created");
    out.retired = r.int32("retired");
    out.retiredValueUsd = r.number("retiredValueUsd");
    out.binsWritten = r.strings("binsWritten");
}

} // namespace

QJsonObject ScanReplaceAssignment::toJson() const
{
    return json::Writer().set("itemId", itemId).set("newBinId", newBinId).object();
}

ScanReplaceAssignment ScanReplaceAssignment::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    return {r.string("itemId"), r.string("newBinId")};
}

QJsonObject ScanReplaceRequest::toJson() const
{
    json::Writer w;
    w.set("replaceBins", replaceBins);
    w.setList("assignments", assignments, [](const ScanReplaceAssignment& a) { return a.toJson(); });
    w.set("dryRun", dryRun);
    return w.object();
}

ScanReplaceRequest ScanReplaceRequest::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanReplaceRequest q;
    q.replaceBins = r.strings("replaceBins");
    q.assignments = r.list<ScanReplaceAssignment>("assignments", ScanReplaceAssignment::fromJson);
    q.dryRun = r.boolean("dryRun");
    return q;
}

QJsonObject ScanReplaceResult::toJson() const
{
    json::Writer w;
    writeCounts(w, *this);
    w.setOpt("dryRun", dryRun);
    w.setOpt("sessionStatus", sessionStatus);
    return w.object();
}

ScanReplaceResult ScanReplaceResult::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanReplaceResult out;
    readCounts(r, out);
    out.dryRun = r.optBoolean("dryRun");
    out.sessionStatus = r.optString("sessionStatus");
    return out;
}

QJsonObject ScanReplaceCommitResult::toJson() const
{
    json::Writer w;
    writeCounts(w, *this);
    return w.object();
}

ScanReplaceCommitResult ScanReplaceCommitResult::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanReplaceCommitResult out;
    readCounts(r, out);
    return out;
}

QJsonObject ScanSessionPoll::toJson() const
{
    json::Writer w;
    w.set("status", status);
    if (commitResult)
        w.set("commitResult", commitResult->toJson());
    w.setOpt("commitError", commitError);
    return w.object();
}

ScanSessionPoll ScanSessionPoll::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanSessionPoll p;
    p.status = r.string("status");
    p.commitResult = r.optRecord<ScanReplaceCommitResult>("commitResult", ScanReplaceCommitResult::fromJson);
    p.commitError = r.optString("commitError");
    return p;
}

} // namespace vantry
