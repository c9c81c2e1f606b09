#pragma once

#include "app/review/ReviewSort.h"
#include "app/review/CaptureFilters.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>

namespace vantry {

class AlertPrompter;
class BatchSession;
class CaptureCommands;
class DiskSpace;
class FolderPicker;
class CaptureViewModel;
class DelayScheduler;
class FileRevealer;
class PreferenceDomains;
class SavePanel;
class SettingsStore;
struct UnimportedWork;

// The capture window's own state and lifecycle, without widgets. Made when a tab is selected
// and destroyed when another is (never on show/hide, so minimising re-runs nothing).
// Construction runs the appear steps: the scan-source setting is cleared, the import and
// recount bins follow the folder's name, the default workspace is resolved (with the bins
// list in recount mode, held imports asked about) and stale scan sessions cleaned up (again
// whenever someone signs in while the window is open), the scan app's duplicate-scan
// setting is healed (and checked again every 300 s while the window lives), and the scanner
// is browsed while direct scanning is on. What the watcher hands over goes to the batch's
// model without the window (BatchSession). Destruction only stops the heartbeat and the clock: the watcher, the scanner and
// running work belong to the batch.
class CaptureWindowState : public QObject {
    Q_OBJECT

public:
    struct Services {
        std::shared_ptr<SettingsStore> settings; // none: the standard store
        DelayScheduler* scheduler = nullptr;
        PreferenceDomains* preferences = nullptr;
        AlertPrompter* prompter = nullptr;
        std::function<QDateTime()> now; // wall clock of the status strip
        QString catalogImageBase;       // card images; empty: the public catalogue's image server
        std::shared_ptr<SavePanel> savePanel;  // the CSV exports'; none: exports do nothing
        std::shared_ptr<FileRevealer> revealer; // shows an exported file; none: not shown
        // The window's commands: folder picker, free space, the Pictures folder and the scan
        // folders of the other open tabs; none: the real ones (no picker, no other tabs).
        std::shared_ptr<FolderPicker> folderPicker;
        std::shared_ptr<DiskSpace> diskSpace;
        std::function<QString()> picturesFolder;
        std::function<QStringList()> otherTabFolders;
    };

    static constexpr std::chrono::milliseconds clockInterval{1000};
    static constexpr std::chrono::milliseconds healInterval{300'000};

    CaptureWindowState(BatchSession& session, Services services, QObject* parent = nullptr);
    ~CaptureWindowState() override;

    BatchSession& session() const { return session_; }
    CaptureCommands& commands() const { return *commands_; }
    const std::shared_ptr<CaptureViewModel>& viewModel() const { return viewModel_; }
    bool directScanEnabled() const;
    const Services& services() const { return services_; }
    // Saves the batch's cards as CSV through the save panel (`manabox`: merged printings).
    void exportCsv(bool manabox);
    // Moves only while the watcher watches.
    const QDateTime& nowTick() const { return nowTick_; }

    // Filters and search of the review list; fresh for every window.
    CaptureFilters filters;
    // The review list's order, the setting "vy.reviewSort" (changes signal `reviewSortChanged`).
    ReviewSort reviewSort() const;
    const std::shared_ptr<SettingsStore>& settings() const { return services_.settings; }

    // The toolbar's "Add Card": the window opens the manual-add sheet.
    void requestAddManualCard() { emit addManualCardRequested(); }

    // The confirmations, raised by the window's commands.
    void confirmNewBatch();
    // Held cards go again only after a question: some may be in the inventory already.
    void confirmSendHeldAgain(const QUuid& intentId);
    // Clear Folder of a folder holding scans of cards not imported yet.
    void confirmClearFolder(const UnimportedWork& work, const QString& folderName, const QString& archiveName,
                            std::function<void()> clear);
    void confirmImport(const QString& message, std::function<void()> startImport);
    void warnSplitChildImport(const QString& message, std::function<void()> switchToRecount,
                              std::function<void()> startImport);
    // A scan that stopped part-way: what stopped it and that its pages are kept (the status
    // line alone would soon show the rows' summary instead).
    void reportScanStopped(const QString& message);

signals:
    void nowTickChanged();
    void directScanEnabledChanged();
    void reviewSortChanged();
    void addManualCardRequested();

private:
    // The workspace default, the bins list in recount mode, held imports and stale sessions.
    void askService();
    void enforceSingleScanFolder();
    void heal();
    void scheduleHeartbeat();
    void scheduleClock();
    void scanFolderChanged();
    void directScanSettingChanged();
    void replaceModeChanged();
    void showUnreadableFolder();

    BatchSession& session_;
    std::shared_ptr<CaptureViewModel> viewModel_;
    Services services_;
    QDateTime nowTick_;
    CaptureCommands* commands_ = nullptr;
    bool browsing_ = false;
};

} // namespace vantry
