#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace vantry {

// A scan turned for re-analysis: the whole turned front, the card cropped from it and the
// row's images of both. The file on disk is never changed.
struct RotatedScan {
    QImage rotated;
    // Cropped from `rotated`; shares its pixels (same cacheKey) when no card could be cut.
    QImage cardImage;
    std::optional<QImage> thumbnail;
    std::optional<QImage> fullThumbnail; // none when nothing was cut
    std::optional<QByteArray> zoomJPEG;
    std::optional<QByteArray> fullZoomJPEG; // none when nothing was cut

    bool cropped() const { return cardImage.cacheKey() != rotated.cacheKey(); }

    // Blocking (reads and decodes the file): runs on the CPU pool. None when the front image
    // cannot be read.
    static std::optional<RotatedScan> prepare(const QString& frontPath, int quarterTurns);
};

} // namespace vantry
