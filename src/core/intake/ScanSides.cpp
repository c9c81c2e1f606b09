#include "core/intake/ScanSides.h"

namespace vantry {

QString rawValue(ScanSides sides)
{
    return sides == ScanSides::duplex ? QStringLiteral("duplex") : QStringLiteral("single");
}

std::optional<ScanSides> scanSidesFromRaw(const QString& raw)
{
    for (ScanSides s : allScanSides)
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

} // namespace vantry
