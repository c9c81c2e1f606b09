#include "core/intake/DirectScanGuidance.h"

namespace vantry::DirectScanGuidance {

QString emptyScanMessage(int consecutiveEmpty)
{
    if (consecutiveEmpty >= 2)
        return QStringLiteral("Scanner fed 0 cards ") + QString::number(consecutiveEmpty) +
               QStringLiteral(" times in a row. The in-app scan can stall the scanner's feeder after a few runs. "
                              "Power-cycle the scanner, or turn on Watch Folder and scan with your scanning app "
                              "(Document Scanner, Skanlite or NAPS2) for the reliable path.");
    return QStringLiteral("Scanner completed but fed 0 cards. Reseat the stack in the feeder and scan again. If it "
                          "keeps happening, power-cycle the scanner or use Watch Folder.");
}

bool lowDiskSpace(qint64 freeBytes, qint64 thresholdBytes) { return freeBytes < thresholdBytes; }

QString lowDiskMessage(qint64 freeBytes)
{
    const qint64 megabytes = (freeBytes < 0 ? 0 : freeBytes) / 1000000;
    return QStringLiteral("Low on disk space (") + QString::number(megabytes) +
           QStringLiteral(" MB free). The scanner saves each page to disk, so when the disk is full scans come back "
                          "empty. Free up space, then restart Vantry Capture and scan again.");
}

} // namespace vantry::DirectScanGuidance
