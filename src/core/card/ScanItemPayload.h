#pragma once

#include "core/card/ScanFinish.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace vantry {

// One line of a scan session as the inventory service receives it.
struct ScanItemPayload {
    QString itemId;
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    ScanFinish finish = ScanFinish::nonfoil;
    std::optional<QString> artSeriesVariant;
    std::optional<QString> condition;
    std::optional<double> unitCost;
    int count = 0;
    double confidence = 0;
    QString addedBy;

    bool operator==(const ScanItemPayload&) const = default;

    // Throws json::Error for a non-finite unitCost or confidence.
    QJsonObject toJson() const;
    static ScanItemPayload fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
