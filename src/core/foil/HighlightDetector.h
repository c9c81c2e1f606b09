#pragma once

#include "core/foil/HighlightStats.h"

namespace vantry {

// Highlight foil score: foil shows bluish, saturated, more frequent specular highlights.
class SpecularDetector {
public:
    SpecularDetector() = delete;

    static constexpr double confidenceThreshold = 0.4;

    static double foilScore(const SpecularStats& scan, const SpecularStats& reference);
};

} // namespace vantry
