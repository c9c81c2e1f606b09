#pragma once

namespace vantry {

// Colour statistics of an image, each in 0..1.
struct ColorStats {
    double meanSaturation = 0;
    double meanLuminance = 0;
    double luminanceStdDev = 0;
    bool operator==(const ColorStats&) const = default;
};

} // namespace vantry
