#include "core/intake/ScanImageQuality.h"

#include "core/intake/ScanTimingDiagnostics.h"

#include <cmath>

namespace vantry {

QString ScanImageQuality::dpiDescription() const
{
    if (!dpiWidth || !dpiHeight)
        return QStringLiteral("unknown");
    if (std::abs(*dpiWidth - *dpiHeight) < 0.1)
        return ScanTimingDiagnostics::formatNumber(*dpiWidth);
    return ScanTimingDiagnostics::formatNumber(*dpiWidth) + QLatin1Char('x') +
           ScanTimingDiagnostics::formatNumber(*dpiHeight);
}

} // namespace vantry
