#pragma once

#include "core/service/SplitChildBinSuggestion.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vantry::CaptureCommandTexts {

// A folder's volume has room for a direct scan when more than this many bytes are free.
inline constexpr qint64 roomyDiskBytes = 999'999'999;
bool hasRoom(qint64 freeBytes);

// The last path component, "" for no folder.
QString folderName(const QString& path);

// Import destination and confirmations.
QString destinationLabel(const QString& workspaceId, const QString& workspaceName);
QString importConfirmMessage(qint64 chosenCount, qint64 printingCount, const QString& workspaceId,
                             const QString& workspaceName, const QString& bin);
QString splitChildWarningMessage(const std::optional<SplitChildBinSuggestion>& suggestion, const QString& bin);

// The recount bin kept in step with the folder: the new text of the field (none: leave it)
// and the new memory of the last suggestion.
struct RecountBinSync {
    std::optional<QString> replaceBinsText;
    QString lastSuggested;
};
RecountBinSync syncRecountBin(const QString& replaceBinsText, const std::optional<QString>& suggested,
                              const QString& lastSuggested);

// Clear Folder.
// The subfolder the images move into: "Archived-<stamp>".
QString archiveFolderName(const QString& stamp);
QString archivedToast(int moved, const QString& folderName, const QString& stamp);
QString alreadyEmptyStatus(const QString& folderName);
QString clearFolderHelp(const QString& folderPath, bool scanning);
QString clearFolderPendingStatus();

// Direct scanning.
// `scanner`: the found scanner's name (SANE vendor and model, may be empty), none when no
// scanner was found.
QString directScanHelp(bool scanning, const std::optional<QString>& scanner, const QString& folderPath);
QString noScanFolderStatus();
QString noScannerStatus();
QString scanCanceledStatus();
// Before the scan: what the scan does, or the low-disk warning.
QString scanStartStatus(const QString& folderName, qint64 freeBytes);
// After the scan: the new empty-scan streak and, when the folder gained nothing, the advice
// that replaces the status (low disk first).
struct DirectScanEnd {
    int streak = 0;
    std::optional<QString> status;
};
DirectScanEnd directScanEnd(int imagesBefore, std::optional<int> imagesAfter, qint64 freeBytes, int streak);
// A scan that ended early but kept pages: the reason and how many pages stay.
QString partialScanStatus(const QString& reason, int pagesKept);

// Folder watching.
QString stoppedWatchingStatus();
QString watchingStatus(const QString& folderName, int imagesAlreadyThere);
QString unlistableFolderStatus(const QString& folderName);
QString resumedStatus();
QString pausedStatus();
QString folderOfAnotherTabStatus(const QString& folderName);
// The scan folder stays while the scanner writes into it: the watcher must stay on the
// folder the pages land in.
QString scanFolderHelp(bool scanning);
QString scanFolderLockedStatus(const QString& folderName);

// Folder rules.
// Paths name the same folder (trailing separators and "." / ".." ignored).
bool sameFolder(const QString& a, const QString& b);
bool usedByAnotherTab(const QString& folder, const QStringList& otherTabFolders);
// The folder a scan goes to when none is chosen: the stored scan folder unless another tab
// uses it, else "Vantry Captures" in the Pictures folder, numbered on when another tab has it.
QString defaultScanFolder(const QString& storedScanFolder, const QString& picturesFolder,
                          const QStringList& otherTabFolders);

} // namespace vantry::CaptureCommandTexts
