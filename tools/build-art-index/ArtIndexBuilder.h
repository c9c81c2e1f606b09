#pragma once

#include "core/art/ArtCardIndex.h"
#include "platform/FeaturePrinter.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry::tools {

// One print to put into the index and the reference image its vector is made from.
struct ArtIndexSource {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    QString imagePath;
};

// Reads a tab-separated manifest, one print per line: id, name, set code, collector number
// and, optionally, the image path (relative paths are taken from the manifest's folder;
// without one, "<id>.png", ".jpg", ".jpeg", ".webp" or ".tif" next to the manifest).
// Empty lines and lines starting with "#" are skipped. Nothing, with `error` set, when a
// line is malformed or its image is missing.
std::optional<std::vector<ArtIndexSource>> readArtIndexManifest(const QString& manifestPath, QString* error);

// The index of the given prints, in the given order, with the vectors of `printer` and the
// revision the matcher accepts. Nothing, with `error` set, when an image does not decode
// or gives no feature print (a hole in the index would go unnoticed until a scan misses).
std::optional<ArtCardIndex> buildArtCardIndex(const std::vector<ArtIndexSource>& sources,
                                              const FeaturePrinter& printer, QString* error);

} // namespace vantry::tools
