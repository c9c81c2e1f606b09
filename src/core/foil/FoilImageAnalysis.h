#pragma once

#include "core/foil/ColorStats.h"
#include "core/foil/HighlightStats.h"

#include <QImage>

#include <optional>
#include <vector>

namespace vantry {

// The image measurements of the foil probe: art crop, colour and highlight statistics on
// a bounded sampling grid, and the radial power spectrum of a 512 x 512 grey rendering.
class FoilImageAnalysis {
public:
    FoilImageAnalysis() = delete;

    // Mean power per integer radius of the 2-D spectrum.
    struct RadialSpectrum {
        std::vector<double> bins; // 256 values, index = radius in frequency bins
        int nyquistBin = 256;
    };

    static constexpr int spectrumSize = 512;

    // The art box of an upright card (x 10 %, y 15 % from the top, 80 % by 36 %), or the
    // image itself when that box is empty.
    static QImage cropToArtRegion(const QImage& image);
    // Distance between samples: max(trunc(sqrt(W * H / 40000)), 1).
    static int samplingStep(int width, int height);
    static std::optional<ColorStats> computeColorStats(const QImage& image);
    static std::optional<SpecularStats> computeSpecularStats(const QImage& image);
    // size x size grey values in 0..1, row by row, the image scaled to fill.
    static std::optional<std::vector<float>> renderGrayscale(const QImage& image, int size);
    static std::optional<RadialSpectrum> radialPowerSpectrum(const QImage& image);
    // The moire score of an image's spectrum; 0 when no spectrum can be made.
    static double moireScore(const QImage& image);
};

} // namespace vantry
