#pragma once

#include "core/card/ScanFinish.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace vantry {

// What one imported front scan became: its files, the inventory destination and the printing.
struct ScanManifestEntry {
    QString frontFilename;
    QString frontPath;
    std::optional<QString> backFilename;
    std::optional<QString> backPath;
    std::optional<QString> binId;
    std::optional<QString> workspaceId;
    std::optional<QString> workspaceName;
    QString importSessionId;
    QString itemId;
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    ScanFinish finish = ScanFinish::nonfoil;
    std::optional<QString> artSeriesVariant;
    std::optional<QString> condition;
    std::optional<double> unitCost;
    double confidence = 0;
    std::optional<QString> contentHash;
    std::optional<QString> scanIdentityHash;
    bool verifiedFinish = false;

    ScanManifestEntry() = default;
    // Stores every value as given except `confidence`, which is clamped to 0...1 (NaN is 0)
    // and rounded to four decimals.
    ScanManifestEntry(QString frontFilename, QString frontPath, std::optional<QString> backFilename,
                      std::optional<QString> backPath, std::optional<QString> binId,
                      std::optional<QString> workspaceId, std::optional<QString> workspaceName,
                      QString importSessionId, QString itemId, QString scryfallId, QString name,
                      QString setCode, QString collectorNumber, ScanFinish finish,
                      std::optional<QString> artSeriesVariant, std::optional<QString> condition,
                      std::optional<double> unitCost, double confidence, std::optional<QString> contentHash,
                      std::optional<QString> scanIdentityHash, bool verifiedFinish);

    bool operator==(const ScanManifestEntry&) const = default;

    static double normalizedConfidence(double value);

    // Absent optionals write no key; a non-finite number throws json::Error.
    QJsonObject toJson() const;
    // Required keys must be present with the right type; throws json::Error.
    static ScanManifestEntry fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
