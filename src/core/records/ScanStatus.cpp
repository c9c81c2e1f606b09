#include "core/records/ScanStatus.h"

namespace vantry {

QString rawValue(ScanStatus status)
{
    switch (status) {
    case ScanStatus::auto_: return QStringLiteral("auto");
    case ScanStatus::review: return QStringLiteral("review");
    case ScanStatus::confirmed: return QStringLiteral("confirmed");
    case ScanStatus::unresolved: return QStringLiteral("unresolved");
    }
    return {};
}

std::optional<ScanStatus> scanStatusFromRaw(const QString& raw)
{
    for (ScanStatus s : allScanStatuses)
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

} // namespace vantry
