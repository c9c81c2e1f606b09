#include "core/ingest/RotatedScan.h"

#include "core/ingest/ScanPreparation.h"
#include "core/reading/CardCropper.h"
#include "core/support/ImageCopy.h"

#include <new>

namespace vantry {

std::optional<RotatedScan> RotatedScan::prepare(const QString& frontPath, int quarterTurns)
{
    using namespace ScanPreparation;
    try {
        const std::optional<QImage> loaded = CardCropper::load(frontPath);
        if (!loaded)
            return std::nullopt;
        RotatedScan scan;
        scan.rotated = rotatedByQuarterTurns(*loaded, quarterTurns);
        scan.cardImage = CardCropper::cropCard(scan.rotated);
        scan.thumbnail = ImageCopy::independentDownscaled(scan.cardImage, thumbnailMaxDimension);
        scan.zoomJPEG = ImageCopy::jpegData(scan.cardImage, zoomMaxDimension, zoomJPEGQuality);
        if (scan.cropped()) {
            scan.fullThumbnail = ImageCopy::independentDownscaled(scan.rotated, thumbnailMaxDimension);
            scan.fullZoomJPEG = ImageCopy::jpegData(scan.rotated, zoomMaxDimension, zoomJPEGQuality);
        }
        return scan;
    } catch (const std::bad_alloc&) {
        // An image too large to hold is an unreadable scan, not a dead batch.
        return std::nullopt;
    }
}

} // namespace vantry
