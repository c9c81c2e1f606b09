#pragma once

#include "core/foil/ColorStats.h"

namespace vantry {

// Chromatic foil score: a foil card under the scanner lamp loses saturation and gains
// luminance spread compared with the catalogue's reference art.
class FoilDetector {
public:
    FoilDetector() = delete;

    static constexpr double confidenceThreshold = 0.45;
    static constexpr double combinedConfidenceThreshold = 0.4;

    static double foilScore(const ColorStats& scan, const ColorStats& reference);
    static double combinedFoilScore(double chromatic, double moire);
};

} // namespace vantry
