#pragma once

namespace vantry {

// Statistics of an image's brightest tenth (its highlights).
struct SpecularStats {
    double brightLuminance = 0;
    double brightSaturation = 0;
    double brightBlueRatio = 0;
    double specularFraction = 0; // share of all samples with luminance at least 0.95
    bool operator==(const SpecularStats&) const = default;
};

} // namespace vantry
