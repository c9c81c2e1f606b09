#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

namespace vantry {

// Crops a scan to the card: the bounding box of what is brighter than a luma threshold
// on the dark scanner background.
namespace CardCropper {

inline constexpr std::uint8_t defaultLumaThreshold = 45;
inline constexpr double defaultPaddingFraction = 0.012;

// The first frame of the file in the working pixel format; none when it cannot be read.
std::optional<QImage> load(const QString& path);

// The card's rectangle in pixels (origin top-left), padded by `paddingFraction` of the
// shorter side; none when there is nothing to crop or the box is implausible.
std::optional<QRect> cropRect(const QImage& image, std::uint8_t lumaThreshold = defaultLumaThreshold,
                              double paddingFraction = defaultPaddingFraction);

// The image cropped to `cropRect`, or the image itself when there is none. Never fails.
QImage cropCard(const QImage& image, std::uint8_t lumaThreshold = defaultLumaThreshold,
                double paddingFraction = defaultPaddingFraction);

// `load`, then `cropCard` with the defaults; none only when loading fails.
std::optional<QImage> croppedImage(const QString& path);

} // namespace CardCropper

// A crop whose aspect ratio is off a single card's (outside 0.55...0.92): two cards fed
// together, or a bad crop.
bool looksLikeMultiFeed(int width, int height);

} // namespace vantry
