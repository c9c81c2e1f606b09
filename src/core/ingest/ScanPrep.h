#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace vantry {

// What preparation made of one front scan before recognition. When `alreadyImported` is set,
// there are no images.
struct ScanPrep {
    // SHA-256 of the file's bytes; none when the file could not be read.
    std::optional<QString> hash;
    // The scan's de-duplication key: its identity hash, else its PNG pixel hash, else the file
    // hash. None when there is none, and when the ledger knew the file hash.
    std::optional<QString> dedupeHash;
    // The decoded scan, uncropped.
    std::optional<QImage> full;
    // The scan cut to the card; the very same image as `full` when there was nothing to cut.
    std::optional<QImage> cardImage;
    // `cardImage` reduced to 420 pixels on its longer side.
    std::optional<QImage> thumbnail;
    // `cardImage` reduced to 840 pixels, as JPEG of quality 0.8.
    std::optional<QByteArray> zoomJPEG;
    // One of the scan's keys is in the import ledger: skip it.
    bool alreadyImported = false;
    // The file is larger than maxScanFileBytes: it was not read at all (no keys, no images),
    // and its card is left out.
    bool tooLarge = false;

    // The crop cut something away: `cardImage` is a part of `full`, not `full` itself.
    bool cropped() const { return full && cardImage && full->cacheKey() != cardImage->cacheKey(); }
};

} // namespace vantry
