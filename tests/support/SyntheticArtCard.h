#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

namespace vantry::test {

// A made-up Art Series front at catalogue size (672 x 936, about 270 ppi): a black border,
// full-bleed artwork of seeded random shapes and gradients, and the name in a black bar.
// The same seed always gives the same pixels.
QImage renderArtCard(std::uint32_t seed, const QString& name, int width = 672, int height = 936);

// How a scanner and the cropper turn a printed card into a crop.
struct ScanConditions {
    int dpi = 300;                 // catalogue images are about 270 ppi
    double skewDegrees = 0;        // feed skew, the crop follows the rotated card's bounding box
    double gainR = 1, gainG = 1, gainB = 1; // scanner colour cast
    double offset = 0;             // black level lift, in 8-bit steps
    double gamma = 1;              // tone curve difference
    double padding = 0.012;        // the cropper's padding, share of the shorter side
    int jpegQuality = -1;          // re-encoded as JPEG when 1..100
    double noise = 0;              // sensor noise, standard deviation in 8-bit steps
    std::uint32_t noiseSeed = 1;
};

// The crop a scan of `card` (rendered at about 270 ppi) would give under `conditions`:
// resampled to the resolution, colour-shifted, skewed on a dark scanner background,
// cropped with padding, noised and optionally JPEG-compressed. RGBA8888 premultiplied.
QImage simulateScan(const QImage& card, const ScanConditions& conditions);

} // namespace vantry::test
