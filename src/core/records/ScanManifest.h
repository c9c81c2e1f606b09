#pragma once

#include "core/records/ScanManifestEntry.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace vantry {

// The record of imported scans that lies in a scan folder, one entry per front scan.
struct ScanManifest {
    static inline const QString filename = QStringLiteral("vantry-scan-manifest.json");

    int schemaVersion = 1;
    QString updatedAt;
    std::vector<ScanManifestEntry> entries;

    bool operator==(const ScanManifest&) const = default;

    QJsonObject toJson() const;
    // The file's bytes: keys sorted at every level, indented, no final line feed.
    QByteArray encoded() const;
    // Throws json::Error for text that is not a manifest.
    static ScanManifest fromJson(const QJsonValue& value, const QString& where = {});
    static ScanManifest decode(const QByteArray& bytes);
};

} // namespace vantry
