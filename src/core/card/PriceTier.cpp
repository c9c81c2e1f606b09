#include "core/card/PriceTier.h"

#include <cmath>

namespace vantry {

PriceTier priceTierFrom(double usd)
{
    // A non-finite price is no price: never chase.
    if (!std::isfinite(usd) || usd < 1.0)
        return PriceTier::bulk;
    if (usd < 5.0)
        return PriceTier::low;
    if (usd < 20.0)
        return PriceTier::nice;
    if (usd < 50.0)
        return PriceTier::great;
    return PriceTier::chase;
}

bool isHighlighted(PriceTier tier)
{
    return tier == PriceTier::nice || tier == PriceTier::great || tier == PriceTier::chase;
}

QString rawValue(PriceTier tier)
{
    switch (tier) {
    case PriceTier::bulk: return QStringLiteral("bulk");
    case PriceTier::low: return QStringLiteral("low");
    case PriceTier::nice: return QStringLiteral("nice");
    case PriceTier::great: return QStringLiteral("great");
    case PriceTier::chase: return QStringLiteral("chase");
    }
    return {};
}

} // namespace vantry
