#include "app/settings/CaptureCost.h"

#include <QRegularExpression>

#include <cmath>

namespace vantry::CaptureCost {

std::optional<double> parse(const QString& text)
{
    static const QRegularExpression plainDecimal(QStringLiteral(R"(^[+-]?(\d+(\.\d*)?|\.\d+)$)"));
    const QString trimmed = text.trimmed();
    if (!plainDecimal.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    // toDouble refuses an overflowing text; isfinite is the second guard.
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value == 0 ? 0.0 : value; // "-0" is a cost of 0
}

} // namespace vantry::CaptureCost
