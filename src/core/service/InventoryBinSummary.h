#pragma once

#include <QJsonObject>
#include <QString>

namespace vantry {

// One inventory bin with its counts, read from either of the service's two bin shapes.
struct InventoryBinSummary {
    QString label;
    int distinctSkuCount = 0;
    int totalQty = 0;
    QString lastUpdated; // empty when the service gave none

    const QString& id() const { return label; }
    bool operator==(const InventoryBinSummary&) const = default;

    // Current shape {binId, itemCount, distinctCardCount} first, else the legacy shape
    // {label, distinctSkuCount, totalQty, lastUpdated?}; the legacy failure is thrown.
    static InventoryBinSummary fromJson(const QJsonValue& value, const QString& where = {});
    // Written in the legacy shape, which keeps every field.
    QJsonObject toJson() const;
};

} // namespace vantry
