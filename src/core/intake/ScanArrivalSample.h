#pragma once

#include "core/intake/ScanImageQuality.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace vantry {

// One page file as it arrived: when the file says it was written, when it was noticed,
// its size and what its header says about pixels and resolution.
struct ScanArrivalSample {
    QString fileName;
    QDateTime fileTimestamp; // modification date, else creation date, else observedAt
    QDateTime observedAt;
    std::optional<qint64> byteCount;
    std::optional<ScanImageQuality> imageQuality;

    bool operator==(const ScanArrivalSample&) const = default;
};

} // namespace vantry
