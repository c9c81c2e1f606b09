#pragma once

#include "core/service/ScanEvidenceUpload.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// One imported row's front scan.
struct ScanEvidenceUploadSource {
    QString itemId;
    QString frontPath;
    std::optional<QString> contentHash;

    bool operator==(const ScanEvidenceUploadSource&) const = default;
};

struct ScanEvidenceUploadBuildResult {
    std::vector<ScanEvidenceUpload> uploads; // one per item that rendered, in item order
    std::vector<QString> failedPaths;        // the first source path of each item that did not

    bool operator==(const ScanEvidenceUploadBuildResult&) const = default;
};

namespace ScanEvidenceUploadBuilder {

// Groups the sources by item (first appearance order) and renders the first source of
// each item that can be rendered. CPU-heavy and synchronous: run it on the CPU work pool.
ScanEvidenceUploadBuildResult build(const std::vector<ScanEvidenceUploadSource>& sources);

// The first `maxCharacters` user-perceived characters of `text`.
QString leadingCharacters(const QString& text, int maxCharacters);

} // namespace ScanEvidenceUploadBuilder

} // namespace vantry
