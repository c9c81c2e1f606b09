#pragma once

#include <vector>

namespace vantry {

// Moire score: the foil's fine regular texture shows as a peak in the mid band of the
// radial power spectrum.
class MoireDetector {
public:
    MoireDetector() = delete;

    static constexpr double foilBandLow = 0.02;
    static constexpr double foilBandHigh = 0.18;
    static constexpr double prominenceThreshold = 0.25;

    // The largest relative prominence of a peak between foilBandLow and foilBandHigh of
    // the Nyquist bin, in 0..1.
    static double foilProminenceScore(const std::vector<double>& radialSpectrum, int nyquistBin);
};

} // namespace vantry
