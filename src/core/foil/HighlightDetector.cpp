#include "core/foil/HighlightDetector.h"

#include <algorithm>

namespace vantry {

namespace {

double clamp01(double x) { return std::min(std::max(x, 0.0), 1.0); }

} // namespace

double SpecularDetector::foilScore(const SpecularStats& scan, const SpecularStats& reference)
{
    auto rise = [](double s, double r) { return std::max(s - r, 0.0); };
    const double score =
        0.4 * clamp01(rise(scan.brightBlueRatio, reference.brightBlueRatio) / 0.15) +
        0.3 * clamp01(rise(scan.brightSaturation, reference.brightSaturation) / 0.2) +
        0.2 * clamp01(rise(scan.specularFraction, reference.specularFraction) / 0.1) +
        0.1 * clamp01(rise(scan.brightLuminance, reference.brightLuminance) / 0.15);
    return std::min(1.0, score);
}

} // namespace vantry
