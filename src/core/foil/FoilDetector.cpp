#include "core/foil/FoilDetector.h"

#include <algorithm>

namespace vantry {

namespace {

double clamp01(double x) { return std::min(std::max(x, 0.0), 1.0); }

} // namespace

double FoilDetector::foilScore(const ColorStats& scan, const ColorStats& reference)
{
    const double saturationDrop =
        reference.meanSaturation > 0.1
            ? clamp01((reference.meanSaturation - scan.meanSaturation) / reference.meanSaturation)
            : 0.0;
    const double spreadRise = clamp01((scan.luminanceStdDev - reference.luminanceStdDev) / 0.15);
    return 0.7 * saturationDrop + 0.3 * spreadRise;
}

double FoilDetector::combinedFoilScore(double chromatic, double moire) { return 0.3 * chromatic + 0.7 * moire; }

} // namespace vantry
