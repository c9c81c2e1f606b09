#pragma once

#include <QString>

#include <optional>

namespace vantry::CaptureCost {

// The default acquisition cost as typed in the settings: a plain decimal number ("1.50",
// "0", "+2", ".5"), surrounding white space ignored. Anything else (currency signs, comma
// decimals, exponents, "inf"/"nan"), a negative value or one too large to be finite gives none.
std::optional<double> parse(const QString& text);

} // namespace vantry::CaptureCost
