#include "core/card/Candidate.h"

#include <cmath>

namespace vantry {

namespace {
// A NaN or infinite price is no price at all.
std::optional<double> finite(std::optional<double> v)
{
    if (v && !std::isfinite(*v))
        return std::nullopt;
    return v;
}
} // namespace

std::optional<double> Candidate::effectivePriceUSD() const
{
    const auto normal = finite(priceUSD);
    if (isArtSeries && artSeriesVariant == ArtSeriesVariant::signature) {
        if (auto signature = finite(priceUsdSignature))
            return signature;
        return normal;
    }
    if (finish == ScanFinish::nonfoil)
        return normal;
    if (auto foil = finite(priceUsdFoil))
        return foil;
    return normal;
}

} // namespace vantry
