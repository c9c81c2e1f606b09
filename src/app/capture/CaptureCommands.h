#pragma once

#include "app/batch/CaptureViewModel.h"
#include "core/service/SplitChildBinSuggestion.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace vantry {

class AlertPrompter;
class BatchSession;
class CaptureWindowState;
class DiskSpace;
class FolderPicker;
class SettingsStore;

// The capture window's commands, without widgets: the scan folder and the bins kept in step
// with its name, the import confirmations, Clear Folder, the direct scan and the folder
// watcher. One per window (its memories of the bins it filled in itself start empty with
// each window); what it starts belongs to the batch and runs on when the window goes.
class CaptureCommands : public QObject {
    Q_OBJECT

public:
    struct Services {
        std::shared_ptr<SettingsStore> settings;
        std::shared_ptr<FolderPicker> folderPicker; // none: nothing can be picked
        std::shared_ptr<DiskSpace> diskSpace;       // none: the file system's
        std::function<QString()> picturesFolder;    // none: the user's Pictures folder
        std::function<QStringList()> otherTabFolders;
        std::function<QDateTime()> now;
    };

    CaptureCommands(BatchSession& session, CaptureWindowState& window, Services services, QObject* parent = nullptr);
    ~CaptureCommands() override;

    // --- State the toolbar and footer show ---------------------------------------------------
    QString scanFolderPath() const;
    std::optional<QString> scanFolderURL() const;
    QString scanFolderName() const;
    bool isWatching() const;
    bool isPaused() const;
    bool isScanning() const;
    bool directScanEnabled() const;
    bool isWorking() const;
    bool isImporting() const;
    std::optional<CaptureViewModel::Progress> progress() const;
    // Not while there is no folder, an ingest or import runs, the scanner writes into the
    // folder, or the watcher holds pages it has not handed over yet.
    bool canClearFolder() const;
    QString clearFolderHelp() const;
    QString directScanHelp() const;
    QString destinationLabel() const;
    std::optional<QString> suggestedReplaceBin() const;
    std::optional<SplitChildBinSuggestion> splitChildFolderSuggestion() const;
    QString importConfirmMessage() const;
    QString splitChildNormalImportWarningMessage() const;
    int directScanEmptyStreak() const;

    // --- Folder and bins ---------------------------------------------------------------------
    QCoro::Task<> chooseScanFolder();
    void syncRecountBinFromScanFolder();
    void syncImportBinFromScanFolder();
    // The scan folder, or a default one made and chosen now; none when none can be made.
    std::optional<QString> ensureDefaultScanFolder();

    // --- Import ------------------------------------------------------------------------------
    // Asks before importing, naming the workspace the import will use: one is defaulted first
    // when none is set (Import waits meanwhile); without one the import is blocked and nothing
    // is asked.
    void requestNormalImport();
    // True from a press of Import until its workspace is known.
    bool isResolvingWorkspace() const { return resolvingWorkspace_; }
    void importNormally();
    void requestNewBatch();
    // "Import Folder": the scan folder's pages, or a picked folder's; added to a batch that
    // has rows.
    QCoro::Task<> importFolder();
    // "Clear Folder": archives the folder's images; rows of the batch follow their files. Asks
    // first when confirmed cards not imported yet have their scans there.
    void archiveCurrentFolder();

    // --- Scanning and watching -----------------------------------------------------------------
    // Scan Batch, or Cancel Scan while the scanner scans.
    void scanOrCancel();
    void cancelScan();
    QCoro::Task<> runDirectScan();
    QCoro::Task<> toggleWatch();
    void toggleWatcherPause();

signals:
    // Any of the state above may read differently now.
    void changed();

private:
    QCoro::Task<> askToImport();
    void setResolvingWorkspace(bool value);
    // Makes `folder` the scan folder; false (with a status) when another tab uses it.
    bool adoptFolder(const QString& folder);
    // Moves the folder's images into "Archived-<stamp>".
    void archiveInto(const QString& stamp);
    void setStatus(const QString& text) const;
    QStringList otherTabFolders() const;

    BatchSession& session_;
    CaptureWindowState& window_;
    std::shared_ptr<CaptureViewModel> viewModel_;
    Services services_;
    QString lastSuggestedReplaceBin_;
    QString lastFolderDerivedBin_;
    bool resolvingWorkspace_ = false;
};

} // namespace vantry
