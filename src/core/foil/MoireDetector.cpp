#include "core/foil/MoireDetector.h"

#include <algorithm>

namespace vantry {

namespace {

double clamp01(double x) { return std::min(std::max(x, 0.0), 1.0); }

} // namespace

double MoireDetector::foilProminenceScore(const std::vector<double>& s, int nyquistBin)
{
    const int n = nyquistBin;
    if (n < 21 || s.size() < std::size_t(n))
        return 0;
    const int lo = std::max(int(foilBandLow * n), 1);
    const int hi = std::min(int(foilBandHigh * n), n);
    if (lo + 3 >= hi)
        return 0;
    double best = 0;
    for (int i = lo + 1; i <= hi - 2; ++i) {
        if (!(s[i] > 0 && s[i] > 1.05 * s[i - 1] && s[i] > 1.05 * s[i + 1]))
            continue;
        double sum = 0;
        int count = 0;
        for (int j : {i - 5, i - 4, i - 3}) {
            if (j >= lo) {
                sum += s[j];
                ++count;
            }
        }
        for (int j : {i + 3, i + 4, i + 5}) {
            if (j >= lo && j < hi) {
                sum += s[j];
                ++count;
            }
        }
        if (count == 0)
            continue;
        best = std::max(best, (s[i] - sum / count) / s[i]);
    }
    return clamp01(best);
}

} // namespace vantry
