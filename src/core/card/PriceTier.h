#pragma once

#include <QString>

#include <array>

namespace vantry {

// Value class of a USD price.
enum class PriceTier { bulk, low, nice, great, chase };

inline constexpr std::array<PriceTier, 5> allPriceTiers{PriceTier::bulk, PriceTier::low, PriceTier::nice,
                                                        PriceTier::great, PriceTier::chase};

// Each bound belongs to the higher tier: 1.0 is low, 50.0 is chase. A non-finite price is bulk.
PriceTier priceTierFrom(double usd);
bool isHighlighted(PriceTier tier);
QString rawValue(PriceTier tier);

} // namespace vantry
