#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// One face of a double-sided physical token product.
struct PhysicalTokenFace {
    QString name;
    QString setCode;
    QString collectorNumber;
    std::optional<double> priceUsd;

    bool operator==(const PhysicalTokenFace&) const = default;

    QJsonObject toJson() const;
    static PhysicalTokenFace fromJson(const QJsonValue& value, const QString& where = {});
};

// The physical token product a printing belongs to.
struct PhysicalTokenMetadata {
    QString name;
    std::optional<qint64> tcgplayerId;
    QString collectorNumber;
    std::optional<double> bestPriceUsd;
    std::vector<PhysicalTokenFace> faces;

    bool operator==(const PhysicalTokenMetadata&) const = default;

    QJsonObject toJson() const;
    static PhysicalTokenMetadata fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
