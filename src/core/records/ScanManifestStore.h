#pragma once

#include "core/records/ScanManifest.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

namespace vantry {

// A manifest that could not be read, decoded or written; `what()` names the file.
class ScanManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes "vantry-scan-manifest.json" into each folder that holds imported front scans,
// merging with what the file already lists.
class ScanManifestStore {
public:
    // Groups the entries by their front scan's folder and merges each group into that
    // folder's manifest, folders in path order. Every folder is attempted; then the first
    // failure is thrown (ScanManifestError). Returns the manifests written, sorted by path.
    static std::vector<QString> write(const std::vector<ScanManifestEntry>& entries, const QDateTime& now);

    // Merges the entries into one manifest file, keyed by front path (or file name when the
    // path is empty): a key keeps its first position, its last entry wins. A file that
    // exists but does not decode is left byte for byte as it was and the merge throws.
    static void merge(const std::vector<ScanManifestEntry>& entries, const QString& manifestPath,
                      const QString& updatedAt);

    // Absent when no file exists; throws ScanManifestError when one exists but does not decode.
    static std::optional<ScanManifest> load(const QString& manifestPath);

    // ISO 8601 in UTC without fractional seconds, e.g. "2026-01-31T14:05:09Z".
    static QString isoString(const QDateTime& date);

    // The ordered merge on its own.
    static std::vector<ScanManifestEntry> mergedEntries(const std::vector<ScanManifestEntry>& existing,
                                                        const std::vector<ScanManifestEntry>& added);
};

} // namespace vantry
