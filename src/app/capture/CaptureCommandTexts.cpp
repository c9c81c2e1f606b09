#include "app/capture/CaptureCommandTexts.h"

#include "app/capture/CaptureTexts.h"
#include "core/intake/DirectScanGuidance.h"
#include "core/service/ImportBin.h"

#include <QDir>
#include <QFileInfo>

namespace vantry::CaptureCommandTexts {

namespace {

const QChar quote = QLatin1Char('"');

} // namespace

bool hasRoom(qint64 freeBytes) { return freeBytes > roomyDiskBytes; }

QString folderName(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString clean = QDir::cleanPath(path);
    return clean == QStringLiteral("/") ? clean : QFileInfo(clean).fileName();
}

QString destinationLabel(const QString& workspaceId, const QString& workspaceName)
{
    if (workspaceId.isEmpty())
        return QStringLiteral("→ personal inventory");
    return QStringLiteral("→ ") + (workspaceName.isEmpty() ? QStringLiteral("workspace") : workspaceName);
}

QString importConfirmMessage(qint64 chosenCount, qint64 printingCount, const QString& workspaceId,
                             const QString& workspaceName, const QString& bin)
{
    const QString destination = workspaceId.isEmpty()   ? QStringLiteral("personal inventory")
                                : workspaceName.isEmpty() ? QStringLiteral("workspace")
                                                          : workspaceName;
    return QString::number(chosenCount) + QStringLiteral(" card") + CaptureTexts::pluralS(chosenCount) +
           QStringLiteral(" (") + QString::number(printingCount) + QStringLiteral(" distinct printing") +
           CaptureTexts::pluralS(printingCount) + QStringLiteral(") → ") + destination + QStringLiteral(", bin ") +
           ImportBin::location(bin).value_or(QStringLiteral("unsorted")) + QLatin1Char('.');
}

QString splitChildWarningMessage(const std::optional<SplitChildBinSuggestion>& suggestion, const QString& bin)
{
    if (!suggestion)
        return QStringLiteral("This import will add cards. It will not replace an old bin.");
    const QString target = ImportBin::location(bin).value_or(suggestion->newBin);
    return QStringLiteral("Scan folder looks like a split of ") + suggestion->oldBin + QStringLiteral(" into ") +
           suggestion->newBin + QStringLiteral(". Normal import will ADD these cards to ") + target +
           QStringLiteral(" and will NOT zero out ") + suggestion->oldBin +
           QStringLiteral(". Switch to Recount if this stack is meant to replace ") + suggestion->oldBin +
           QLatin1Char('.');
}

RecountBinSync syncRecountBin(const QString& replaceBinsText, const std::optional<QString>& suggested,
                              const QString& lastSuggested)
{
    const QString s = suggested.value_or(QString()).trimmed();
    RecountBinSync sync;
    if (!s.isEmpty()) {
        const QString t = replaceBinsText.trimmed();
        if (t.isEmpty() || t == lastSuggested)
            sync.replaceBinsText = s; // the user has not typed a bin of their own
        sync.lastSuggested = s;
        return sync;
    }
    if (replaceBinsText == lastSuggested)
        sync.replaceBinsText = QString();
    return sync;
}

QString archiveFolderName(const QString& stamp) { return QStringLiteral("Archived-") + stamp; }

QString archivedToast(int moved, const QString& folderName, const QString& stamp)
{
    return QStringLiteral("Archived ") + QString::number(moved) + QStringLiteral(" image") +
           CaptureTexts::pluralS(moved) + QStringLiteral(" from ") + folderName + QStringLiteral(" → ") +
           archiveFolderName(stamp) + QLatin1Char('/');
}

QString alreadyEmptyStatus(const QString& folderName) { return folderName + QStringLiteral(" is already empty."); }

QString clearFolderHelp(const QString& folderPath, bool scanning)
{
    if (folderPath.isEmpty())
        return QStringLiteral("Pick a Scan Folder or Source first.");
    if (scanning)
        return QStringLiteral("The scanner is still writing into this folder. Clear it once the scan has ended.");
    return QStringLiteral("Move every image in ") + quote + folderName(folderPath) + quote +
           QStringLiteral(" into a timestamped archive subfolder so the next batch starts clean. Reversible.");
}

QString clearFolderPendingStatus()
{
    return QStringLiteral("New scans are still being taken in. Clear the folder once they show in the list.");
}

QString directScanHelp(bool scanning, const std::optional<QString>& scanner, const QString& folderPath)
{
    if (scanning)
        return QStringLiteral("Cancel the direct scanner session. Use this if the driver is stuck or the wrong feeder "
                              "batch started.");
    if (!scanner)
        return QStringLiteral("No scanner found yet. Make sure the scanner is powered on and connected, then click "
                              "to scan; SANE finds USB scanners on its own (scanimage -L lists the ones it sees).");
    const QString name = folderPath.isEmpty() ? QStringLiteral("a default folder") : folderName(folderPath);
    return QStringLiteral("Trigger a feeder scan") +
           (scanner->isEmpty() ? QString() : QStringLiteral(" on the ") + *scanner) + QStringLiteral(" into ") + quote +
           name + quote + QStringLiteral(". Pages import live as the scanner pulls them.");
}

QString noScanFolderStatus()
{
    return QStringLiteral("Couldn't set up a scan folder. Pick one with the Scan Folder button.");
}

QString noScannerStatus()
{
    return QStringLiteral("No scanner detected. Check that the scanner is powered on and its USB cable is connected, "
                          "and that SANE lists it (scanimage -L).");
}

QString scanCanceledStatus() { return QStringLiteral("Scanner session canceled."); }

QString scanStartStatus(const QString& folderName, qint64 freeBytes)
{
    if (!hasRoom(freeBytes))
        return DirectScanGuidance::lowDiskMessage(freeBytes);
    return QStringLiteral("Scanning into ") + folderName + QStringLiteral(". Cards import as the feeder pulls them.");
}

DirectScanEnd directScanEnd(int imagesBefore, std::optional<int> imagesAfter, qint64 freeBytes, int streak)
{
    if (imagesAfter && *imagesAfter > imagesBefore)
        return {0, std::nullopt};
    const int next = streak + 1;
    return {next, hasRoom(freeBytes) ? DirectScanGuidance::emptyScanMessage(next)
                                     : DirectScanGuidance::lowDiskMessage(freeBytes)};
}

QString partialScanStatus(const QString& reason, int pagesKept)
{
    return reason + QStringLiteral(" The ") + QString::number(pagesKept) + QStringLiteral(" page") +
           CaptureTexts::pluralS(pagesKept) + QStringLiteral(" scanned before that ") +
           (pagesKept == 1 ? QStringLiteral("is kept and imports.") : QStringLiteral("are kept and import."));
}

QString stoppedWatchingStatus() { return QStringLiteral("Stopped watching."); }

QString watchingStatus(const QString& folderName, int imagesAlreadyThere)
{
    if (imagesAlreadyThere <= 0)
        return QStringLiteral("Watching ") + folderName +
               QStringLiteral(". Scan into it with your scanning app and cards import automatically.");
    return QStringLiteral("Watching ") + folderName + QStringLiteral(". Importing ") +
           QString::number(imagesAlreadyThere) + QStringLiteral(" scan") + CaptureTexts::pluralS(imagesAlreadyThere) +
           QStringLiteral(" already in the folder…");
}

QString unlistableFolderStatus(const QString& folderName)
{
    return QStringLiteral("Can't read the folder ") + folderName +
           QStringLiteral(": it is missing or not readable. New scans there won't import until it can be read.");
}

QString resumedStatus() { return QStringLiteral("Resumed intake. New scans will import automatically."); }

QString pausedStatus()
{
    return QStringLiteral("Paused intake. New scans can keep landing, then Resume Intake will import them.");
}

QString folderOfAnotherTabStatus(const QString& folderName)
{
    return folderName + QStringLiteral(" is already the scan folder of another tab. Pick another folder, or work in "
                                       "that tab.");
}

QString scanFolderHelp(bool scanning)
{
    if (scanning)
        return QStringLiteral("The scanner is writing into this folder. Pick another one once the scan has ended.");
    return QStringLiteral("The folder your scanning app (or Scan Batch) writes into. Watch Folder, Import Folder, "
                          "Clear Folder, and Recount all use this same folder.");
}

QString scanFolderLockedStatus(const QString& folderName)
{
    return QStringLiteral("The scanner is still writing into ") + folderName +
           QStringLiteral(". Pick another scan folder once the scan has ended.");
}

bool sameFolder(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

bool usedByAnotherTab(const QString& folder, const QStringList& otherTabFolders)
{
    return std::any_of(otherTabFolders.begin(), otherTabFolders.end(),
                       [&](const QString& other) { return sameFolder(folder, other); });
}

QString defaultScanFolder(const QString& storedScanFolder, const QString& picturesFolder,
                          const QStringList& otherTabFolders)
{
    if (!storedScanFolder.isEmpty() && !usedByAnotherTab(storedScanFolder, otherTabFolders))
        return storedScanFolder;
    const QDir pictures(picturesFolder);
    QString candidate = pictures.filePath(QStringLiteral("Vantry Captures"));
    for (int n = 2; usedByAnotherTab(candidate, otherTabFolders); ++n)
        candidate = pictures.filePath(QStringLiteral("Vantry Captures ") + QString::number(n));
    return candidate;
}

} // namespace vantry::CaptureCommandTexts
