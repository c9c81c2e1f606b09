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

std::vector<ScannedCard> cards(const QString& folder, bool duplex)
{
    try {
        const ImageListingDiagnostics d = imageListingDiagnostics(folder);
        // Concatenated, not arg(): a folder name may hold "%1".
        CaptureLog::log(QStringLiteral("folder-import ") + QFileInfo(QDir::cleanPath(folder)).fileName() +
                        QStringLiteral(" entries=") + QString::number(d.totalEntries) + QStringLiteral(" images=") +
                        QString::number(d.scanImages) + QStringLiteral(" hiddenSidecars=") +
                        QString::number(d.hiddenImageSidecars) + QStringLiteral(" duplex=") +
                        (duplex ? QStringLiteral("true") : QStringLiteral("false")));
    } catch (const ScanFolderError&) {
    }
    try {
        return cardsFromFolder(folder, duplex ? ScanSides::duplex : ScanSides::single);
    } catch (const ScanFolderError&) {
        return {};
    }
}

} // namespace vantry::FolderImporter
