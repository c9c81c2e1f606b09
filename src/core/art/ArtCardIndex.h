#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// The index revision the matcher accepts: the revision of the feature print that made the vectors.
inline constexpr int artCardFeaturePrintRevision = 2;
// The largest Euclidean distance between feature vectors that still counts as a match.
inline constexpr float defaultArtCardMaxDistance = 0.6f;

// One known Art Series print and its feature vector.
struct ArtCardEntry {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    std::vector<float> vector;

    bool operator==(const ArtCardEntry&) const = default;
};

struct ArtCardMatch {
    ArtCardEntry entry;
    float distance = 0;

    bool operator==(const ArtCardMatch&) const = default;
};

// The table of Art Series feature vectors, as stored in "art-card-index.bin":
// "VYAC", u16 format version, u16 revision, u32 dimension, u32 count, then per entry four
// (u16 length + UTF-8) strings and `dimension` float32 values; all little-endian, unpadded.
struct ArtCardIndex {
    int revision = 0;
    qint64 dimension = 0;
    // File order matters: it decides search order and the order of back-text matches.
    std::vector<ArtCardEntry> entries;

    // Parses a whole file; nothing when it is cut short, mis-signed or holds invalid UTF-8.
    static std::optional<ArtCardIndex> fromData(const QByteArray& data);
    // The file bytes for this index (format version 1; vectors padded or cut to `dimension`).
    QByteArray encoded() const;

    // Brute-force nearest neighbours within `maxDistance` (inclusive), closest first, at most k.
    std::vector<ArtCardMatch> nearest(const std::vector<float>& query, int k, float maxDistance) const;
    // Best distance per print over several query vectors (e.g. orientations), closest first.
    std::vector<ArtCardMatch> nearestAcrossRotations(const std::vector<std::vector<float>>& queries, int k,
                                                     float maxDistance) const;
};

} // namespace vantry
