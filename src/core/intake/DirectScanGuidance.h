#pragma once

#include <QString>

namespace vantry::DirectScanGuidance {

// What to tell the user after an in-app scan that brought back no page.
QString emptyScanMessage(int consecutiveEmpty);
bool lowDiskSpace(qint64 freeBytes, qint64 thresholdBytes);
QString lowDiskMessage(qint64 freeBytes);

} // namespace vantry::DirectScanGuidance
