#include "core/intake/FolderImporter.h"

#include "core/support/CaptureLog.h"
#include "core/intake/ScanFileListing.h"

#include <QDir>
#include <QFileInfo>

namespace vantry::FolderImporter {

QCoro::Task<std::optional<QString>> pickFolder(FolderPicker& picker, QString prompt, QString message)
{
    co_return co_await picker.pickFolder(std::move(prompt), std::move(message));
}

FolderScan scan(const QString& folder, bool duplex)
{
    const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    try {
        const ImageListingDiagnostics d = imageListingDiagnostics(folder);
        // Concatenated, not arg(): a folder name may hold "%1".
        CaptureLog::log(QStringLiteral("folder-import ") + name + QStringLiteral(" entries=") +
                        QString::number(d.totalEntries) + QStringLiteral(" images=") +
                        QString::number(d.scanImages) + QStringLiteral(" hiddenSidecars=") +
                        QString::number(d.hiddenImageSidecars) + QStringLiteral(" duplex=") +
                        (duplex ? QStringLiteral("true") : QStringLiteral("false")));
    } catch (const ScanFolderError&) {
    }
    FolderScan result;
    try {
        result.cards = cardsFromFolder(folder, duplex ? ScanSides::duplex : ScanSides::single, &result.leftOut);
    } catch (const ScanFolderError&) {
        return {};
    }
    for (const LeftOutScanFile& file : result.leftOut)
        CaptureLog::log(QStringLiteral("folder-import ") + name + QStringLiteral(" LEFT OUT ") + file.name +
                        QStringLiteral(": ") + leftOutReasonText(file.reason));
    return result;
}

std::vector<ScannedCard> cards(const QString& folder, bool duplex) { return scan(folder, duplex).cards; }

} // namespace vantry::FolderImporter
