#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace vantry {

namespace ImageCopy {

// A copy reduced to at most `maxDimension` on its longer side (never enlarged), owning its
// pixels. None for maxDimension <= 0 or an empty image.
std::optional<QImage> independentDownscaled(const QImage& image, int maxDimension);

// The reduced copy encoded as JPEG at `compressionQuality` (0..1). None on failure.
std::optional<QByteArray> jpegData(const QImage& image, int maxDimension, double compressionQuality);

} // namespace ImageCopy

// `turns` quarter turns clockwise as the image is viewed; any integer (-1 equals 3).
// Zero turns return the image itself.
QImage rotatedByQuarterTurns(const QImage& image, int turns);

} // namespace vantry
