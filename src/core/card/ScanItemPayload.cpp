#include "core/card/ScanItemPayload.h"

#include "core/support/Json.h"

namespace vantry {

QJsonObject ScanItemPayload::toJson() const
{
    json::Writer w;
    w.set("itemId", itemId)
        .set("scryfallId", scryfallId)
        .set("name", name)
        .set("setCode", setCode)
        .set("collectorNumber", collectorNumber)
        .set("finish", rawValue(finish));
    w.setOpt("artSeriesVariant", artSeriesVariant);
    w.setOpt("condition", condition);
    w.setOpt("unitCost", unitCost);
    w.set("count", count).set("confidence", confidence).set("addedBy", addedBy);
    return w.object();
}

ScanItemPayload ScanItemPayload::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    ScanItemPayload p;
    p.itemId = r.string("itemId");
    p.scryfallId = r.string("scryfallId");
    p.name = r.string("name");
    p.setCode = r.string("setCode");
    p.collectorNumber = r.string("collectorNumber");
    p.finish = r.record<ScanFinish>("finish", scanFinishFromJson);
    p.artSeriesVariant = r.optString("artSeriesVariant");
    p.condition = r.optString("condition");
    p.unitCost = r.optNumber("unitCost");
    p.count = r.int32("count");
    p.confidence = r.number("confidence");
    p.addedBy = r.string("addedBy");
    return p;
}

} // namespace vantry
