#include "core/service/InventoryBinSummary.h"

#include "core/support/Json.h"

namespace vantry {

InventoryBinSummary InventoryBinSummary::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    try {
        // Note the crossing: the current shape's itemCount is the copy count.
        InventoryBinSummary s;
        s.label = r.string("binId");
        s.totalQty = r.int32("itemCount");
        s.distinctSkuCount = r.int32("distinctCardCount");
        return s;
    } catch (const json::Error&) {
    }
    InventoryBinSummary s;
    s.label = r.string("label");
    s.distinctSkuCount = r.int32("distinctSkuCount");
    s.totalQty = r.int32("totalQty");
    s.lastUpdated = r.optString("lastUpdated").value_or(QString());
    return s;
}

QJsonObject InventoryBinSummary::toJson() const
{
    json::Writer w;
    w.set("label", label).set("distinctSkuCount", distinctSkuCount).set("totalQty", totalQty);
    if (!lastUpdated.isEmpty())
        w.set("lastUpdated", lastUpdated);
    return w.object();
}

} // namespace vantry
