#include "app/capture/CaptureCommands.h"

#include "app/batch/BatchSession.h"
#include "app/settings/CaptureConfig.h"
#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureWindowState.h"
#include "app/capture/UnimportedWork.h"
#include "app/scanner/ScannerController.h"
#include "app/scanner/ScannerError.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/FolderImporter.h"
#include "core/intake/FolderWatcher.h"
#include "core/intake/ScanFileListing.h"
#include "core/records/ScanFolderArchive.h"
#include "core/service/ImportBin.h"
#include "platform/DiskSpace.h"

#include <QDir>
#include <QHash>
#include <QStandardPaths>

namespace vantry {

namespace Texts = CaptureCommandTexts;

namespace {

// The images in the folder now; none when it cannot be listed.
std::optional<int> countImages(const QString& folder)
{
    try {
        return int(listImages(folder).size());
    } catch (const ScanFolderError&) {
        return std::nullopt;
    }
}

QString picturesFolderOfUser()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::home().filePath(QStringLiteral("Pictures")) : pictures;
}

} // namespace

CaptureCommands::CaptureCommands(BatchSession& session, CaptureWindowState& window, Services services, QObject* parent)
    : QObject(parent), session_(session), window_(window), viewModel_(session.viewModel()), services_(std::move(services))
{
    if (!services_.settings)
        services_.settings = SettingsStore::standard();
    if (!services_.diskSpace)
        services_.diskSpace = DiskSpace::system();
    if (!services_.picturesFolder)
        services_.picturesFolder = picturesFolderOfUser;
    if (!services_.now)
        services_.now = [] { return QDateTime::currentDateTime(); };

    ScannerController* scanner = &session_.scanner();
    FolderWatcher* watcher = &session_.watcher();
    CaptureViewModel* model = viewModel_.get();
    connect(scanner, &ScannerController::isScanningChanged, this, &CaptureCommands::changed);
    connect(scanner, &ScannerController::devicesChanged, this, &CaptureCommands::changed);
    for (auto signal : {&FolderWatcher::isWatchingChanged, &FolderWatcher::isPausedChanged,
                        &FolderWatcher::folderChanged, &FolderWatcher::pendingFileCountChanged})
        connect(watcher, signal, this, &CaptureCommands::changed);
    connect(&session_, &BatchSession::scanFolderPathChanged, this, &CaptureCommands::changed);
    for (auto signal : {&CaptureViewModel::isWorkingChanged, &CaptureViewModel::isImportingChanged,
                        &CaptureViewModel::progressChanged, &CaptureViewModel::rowsChanged,
                        &CaptureViewModel::binChanged})
        connect(model, signal, this, &CaptureCommands::changed);
    connect(model->recount(), &BatchRecount::replaceModeChanged, this, &CaptureCommands::changed);
    connect(services_.settings.get(), &SettingsStore::changed, this, [this](const QString& key) {
        if (key == SettingsKeys::directScanEnabled || key == SettingsKeys::duplex || key == SettingsKeys::workspaceId ||
            key == SettingsKeys::workspaceName)
            emit changed();
    });
}

CaptureCommands::~CaptureCommands() = default;

// --- State ----------------------------------------------------------------------------------

QString CaptureCommands::scanFolderPath() const { return session_.scanFolderPath(); }

std::optional<QString> CaptureCommands::scanFolderURL() const
{
    if (session_.scanFolderPath().isEmpty())
        return std::nullopt;
    return session_.scanFolderPath();
}

QString CaptureCommands::scanFolderName() const { return Texts::folderName(session_.scanFolderPath()); }
bool CaptureCommands::isWatching() const { return session_.watcher().isWatching(); }
bool CaptureCommands::isPaused() const { return session_.watcher().isPaused(); }
bool CaptureCommands::isScanning() const { return session_.scanner().isScanning(); }
bool CaptureCommands::directScanEnabled() const { return CaptureConfig::read(*services_.settings).directScanEnabled; }
bool CaptureCommands::isWorking() const { return viewModel_->isWorking(); }
bool CaptureCommands::isImporting() const { return viewModel_->isImporting(); }
std::optional<CaptureViewModel::Progress> CaptureCommands::progress() const { return viewModel_->progress(); }
int CaptureCommands::directScanEmptyStreak() const { return viewModel_->directScanEmptyStreak; }

bool CaptureCommands::canClearFolder() const
{
    // Archiving while pages are still coming in or waiting to be handed over would take
    // them away from the batch.
    return !session_.scanFolderPath().isEmpty() && !isWorking() && !isImporting() && !isScanning() &&
           session_.watcher().pendingFileCount() == 0;
}

QString CaptureCommands::clearFolderHelp() const { return Texts::clearFolderHelp(session_.scanFolderPath(), isScanning()); }

QString CaptureCommands::directScanHelp() const
{
    return Texts::directScanHelp(isScanning(), session_.scanner().scannerName(), session_.scanFolderPath());
}

QString CaptureCommands::destinationLabel() const
{
    const CaptureConfig config = CaptureConfig::read(*services_.settings);
    return Texts::destinationLabel(config.workspaceId, config.workspaceName);
}

std::optional<QString> CaptureCommands::suggestedReplaceBin() const
{
    if (session_.scanFolderPath().isEmpty())
        return std::nullopt;
    return suggestedReplaceBinName(session_.scanFolderPath());
}

std::optional<SplitChildBinSuggestion> CaptureCommands::splitChildFolderSuggestion() const
{
    if (session_.scanFolderPath().isEmpty())
        return std::nullopt;
    return splitChildBinSuggestion(session_.scanFolderPath());
}

QString CaptureCommands::importConfirmMessage() const
{
    const CaptureConfig config = CaptureConfig::read(*services_.settings);
    return Texts::importConfirmMessage(qint64(viewModel_->chosen().size()), qint64(viewModel_->items().size()),
                                       config.workspaceId, config.workspaceName, viewModel_->bin());
}

QString CaptureCommands::splitChildNormalImportWarningMessage() const
{
    return Texts::splitChildWarningMessage(splitChildFolderSuggestion(), viewModel_->bin());
}

QStringList CaptureCommands::otherTabFolders() const
{
    return services_.otherTabFolders ? services_.otherTabFolders() : QStringList();
}

void CaptureCommands::setStatus(const QString& text) const { viewModel_->reportStatus(text); }

// --- Folder and bins ------------------------------------------------------------------------

bool CaptureCommands::adoptFolder(const QString& folder)
{
    // Two tabs on one folder would both take in every page.
    if (Texts::usedByAnotherTab(folder, otherTabFolders())) {
        setStatus(Texts::folderOfAnotherTabStatus(Texts::folderName(folder)));
        return false;
    }
    // The watcher follows the scan folder; during a scan it must stay where the pages land.
    if (isScanning() && !Texts::sameFolder(folder, session_.scanFolderPath())) {
        setStatus(Texts::scanFolderLockedStatus(scanFolderName()));
        return false;
    }
    session_.setScanFolderPath(folder);
    services_.settings->setString(SettingsKeys::scanSourceFolder, QString());
    syncRecountBinFromScanFolder();
    return true;
}

QCoro::Task<> CaptureCommands::chooseScanFolder()
{
    const auto picker = services_.folderPicker;
    if (!picker)
        co_return;
    QPointer<CaptureCommands> self(this);
    const std::optional<QString> folder = co_await FolderImporter::pickFolder(
        *picker, QStringLiteral("Choose"),
        QStringLiteral("Choose the folder your scanning app (or Scan Batch) writes scans into. Recount suggests the "
                       "parent bin when this folder is a split-bin child."));
    if (!self || !folder)
        co_return;
    self->adoptFolder(*folder);
}

void CaptureCommands::syncRecountBinFromScanFolder()
{
    BatchRecount& recount = *viewModel_->recount();
    if (!recount.replaceMode())
        return;
    const Texts::RecountBinSync sync =
        Texts::syncRecountBin(recount.replaceBinsText(), suggestedReplaceBin(), lastSuggestedReplaceBin_);
    if (sync.replaceBinsText)
        recount.editReplaceBinsText(*sync.replaceBinsText);
    lastSuggestedReplaceBin_ = sync.lastSuggested;
}

void CaptureCommands::syncImportBinFromScanFolder()
{
    const QString prefix = CaptureConfig::read(*services_.settings).binPrefix;
    const QString folderName = session_.scanFolderPath().isEmpty() ? prefix : scanFolderName();
    const QString bin = ImportBin::synced(viewModel_->bin(), folderName, lastFolderDerivedBin_, prefix);
    if (bin != viewModel_->bin())
        viewModel_->editBin(bin);
    lastFolderDerivedBin_ = folderName;
}

std::optional<QString> CaptureCommands::ensureDefaultScanFolder()
{
    if (!session_.scanFolderPath().isEmpty())
        return session_.scanFolderPath();
    const QString candidate = Texts::defaultScanFolder(CaptureConfig::read(*services_.settings).scanFolder,
                                                       services_.picturesFolder(), otherTabFolders());
    if (!QDir().mkpath(candidate) || !QFileInfo(candidate).isDir())
        return std::nullopt;
    if (!adoptFolder(candidate))
        return std::nullopt;
    return candidate;
}

// --- Import ---------------------------------------------------------------------------------

void CaptureCommands::requestNormalImport()
{
    if (!resolvingWorkspace_)
        askToImport();
}

QCoro::Task<> CaptureCommands::askToImport()
{
    QPointer<CaptureCommands> self(this);
    const auto vm = viewModel_;
    std::weak_ptr<CaptureViewModel> model = vm;
    // The question names the workspace, so it must be the one the import will use: an import
    // without one would default it only after the answer.
    const bool resolving = CaptureConfig::read(*services_.settings).workspaceId.isEmpty();
    if (resolving)
        setResolvingWorkspace(true);
    const bool found = co_await vm->resolveImportWorkspace();
    if (!self)
        co_return;
    if (resolving)
        setResolvingWorkspace(false);
    if (!found)
        co_return;

    if (!vm->recount()->replaceMode() && splitChildFolderSuggestion()) {
        window_.warnSplitChildImport(
            splitChildNormalImportWarningMessage(),
            [self, model] {
                if (const auto vm = model.lock())
                    vm->recount()->enterReplaceMode();
                if (self)
                    self->syncRecountBinFromScanFolder();
            },
            [model] {
                if (const auto vm = model.lock())
                    vm->importToInventory();
            });
        co_return;
    }
    const QString named = CaptureConfig::read(*services_.settings).workspaceId;
    const std::shared_ptr<SettingsStore> settings = services_.settings;
    window_.confirmImport(importConfirmMessage(), [self, model, named, settings] {
        const auto vm = model.lock();
        if (!vm)
            return;
        // The workspace was changed while the question stood: it no longer names the destination.
        if (CaptureConfig::read(*settings).workspaceId != named) {
            if (self)
                self->requestNormalImport();
            return;
        }
        vm->importToInventory();
    });
}

void CaptureCommands::setResolvingWorkspace(bool value)
{
    if (resolvingWorkspace_ == value)
        return;
    resolvingWorkspace_ = value;
    emit changed();
}

void CaptureCommands::importNormally() { viewModel_->importToInventory(); }

void CaptureCommands::requestNewBatch() { window_.confirmNewBatch(); }

QCoro::Task<> CaptureCommands::importFolder()
{
    const auto vm = viewModel_;
    std::optional<QString> folder = scanFolderURL();
    if (!folder) {
        const auto picker = services_.folderPicker;
        if (!picker)
            co_return;
        folder = co_await FolderImporter::pickFolder(*picker, QStringLiteral("Import"),
                                                     QStringLiteral("Choose the folder of scanned card images."));
        if (!folder)
            co_return;
    }
    // A batch with rows grows; replacing it would drop cards not imported yet without a question.
    co_await vm->importFromFolder(*folder, !vm->rows().empty());
}

void CaptureCommands::archiveCurrentFolder()
{
    const QString folder = session_.scanFolderPath();
    if (session_.watcher().pendingFileCount() > 0) {
        setStatus(Texts::clearFolderPendingStatus());
        return;
    }
    if (folder.isEmpty() || !canClearFolder())
        return;
    const QString stamp = services_.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // The rows keep their scans, but a batch not imported yet is worth a second look before
    // the folder is made ready for the next stack.
    const UnimportedWork work = UnimportedWork::ofScansIn(viewModel_->rows(), folder);
    if (!work.any()) {
        archiveInto(stamp);
        return;
    }
    QPointer<CaptureCommands> self(this);
    window_.confirmClearFolder(work, scanFolderName(), Texts::archiveFolderName(stamp), [self, stamp] {
        if (self)
            self->archiveInto(stamp);
    });
}

void CaptureCommands::archiveInto(const QString& stamp)
{
    // Things may have changed while the question was open.
    const QString folder = session_.scanFolderPath();
    if (session_.watcher().pendingFileCount() > 0) {
        setStatus(Texts::clearFolderPendingStatus());
        return;
    }
    if (folder.isEmpty() || !canClearFolder())
        return;
    const std::vector<ArchivedImage> moved = archiveImageMoves(folder, stamp);
    if (moved.empty()) {
        setStatus(Texts::alreadyEmptyStatus(scanFolderName()));
        return;
    }
    // The batch's rows keep showing and importing their scans from the archive.
    QHash<QString, QString> movedTo;
    for (const ArchivedImage& image : moved)
        movedTo.insert(QDir::cleanPath(image.from), image.to);
    viewModel_->repointArchivedScans(movedTo);
    viewModel_->showToast(Texts::archivedToast(int(moved.size()), scanFolderName(), stamp));
}

// --- Scanning and watching --------------------------------------------------------------------

void CaptureCommands::scanOrCancel()
{
    if (isScanning())
        cancelScan();
    else
        runDirectScan();
}

void CaptureCommands::cancelScan()
{
    session_.scanner().resetSession();
    setStatus(Texts::scanCanceledStatus());
}

QCoro::Task<> CaptureCommands::runDirectScan()
{
    const auto vm = viewModel_;
    const std::optional<QString> folder = ensureDefaultScanFolder();
    if (!folder) {
        setStatus(Texts::noScanFolderStatus());
        co_return;
    }
    ScannerController& scanner = session_.scanner();
    if (scanner.devices().isEmpty()) {
        setStatus(Texts::noScannerStatus());
        co_return;
    }
    const auto device = scanner.devices().front();
    const CaptureConfig config = CaptureConfig::read(*services_.settings);
    const int before = countImages(*folder).value_or(0);
    // The scan only writes pages into the folder; the watcher takes them in.
    if (!session_.watcher().isWatching())
        session_.watchFolder(*folder);
    const auto disk = services_.diskSpace;
    const QString name = Texts::folderName(*folder);
    setStatus(Texts::scanStartStatus(name, disk->freeBytes(*folder)));

    // The batch, not this window, owns the scan: the window may go while it runs.
    QPointer<BatchSession> session(&session_);
    QPointer<CaptureCommands> self(this);
    bool canceled = false;
    try {
        const ScannerController::ScanOutcome outcome =
            co_await scanner.scan(device, config.duplex, config.scanResolution().dpi(), *folder);
        if (outcome.warning) {
            const QString stopped = Texts::partialScanStatus(outcome.warning->errorDescription(), int(outcome.pages.size()));
            vm->reportStatus(stopped);
            if (self)
                self->window_.reportScanStopped(stopped);
        }
    } catch (const ScannerError& error) {
        canceled = error.kind() == ScannerError::Kind::canceled;
        vm->reportStatus(error.errorDescription());
    } catch (const std::exception& error) {
        vm->reportStatus(QString::fromUtf8(error.what()));
    }
    if (!session)
        co_return;
    const std::optional<int> after = countImages(*folder);
    if (canceled && !(after && *after > before))
        co_return; // the user stopped it: not an empty run
    const Texts::DirectScanEnd end = Texts::directScanEnd(before, after, disk->freeBytes(*folder), vm->directScanEmptyStreak);
    vm->directScanEmptyStreak = end.streak;
    if (end.status)
        vm->reportStatus(*end.status);
}

QCoro::Task<> CaptureCommands::toggleWatch()
{
    FolderWatcher& watcher = session_.watcher();
    if (watcher.isWatching()) {
        watcher.stop();
        setStatus(Texts::stoppedWatchingStatus());
        co_return;
    }
    std::optional<QString> folder = scanFolderURL();
    if (!folder) {
        const auto picker = services_.folderPicker;
        if (!picker)
            co_return;
        QPointer<CaptureCommands> self(this);
        folder = co_await FolderImporter::pickFolder(*picker, QStringLiteral("Import"),
                                                     QStringLiteral("Choose the folder of scanned card images."));
        if (!self || !folder)
            co_return;
    }
    if (!adoptFolder(*folder))
        co_return;
    session_.watchFolder(*folder);
    const QString name = Texts::folderName(*folder);
    const std::optional<int> present = countImages(*folder);
    if (!present) {
        setStatus(Texts::unlistableFolderStatus(name));
        co_return;
    }
    setStatus(Texts::watchingStatus(name, *present));
    if (*present == 0)
        co_return;
    // The files already there are not the watcher's to deliver: one import takes them in,
    // added to a batch that has rows.
    const auto vm = viewModel_;
    co_await vm->importFromFolder(*folder, !vm->rows().empty());
}

void CaptureCommands::toggleWatcherPause()
{
    FolderWatcher& watcher = session_.watcher();
    if (!watcher.isWatching())
        return;
    if (watcher.isPaused()) {
        watcher.resume();
        setStatus(Texts::resumedStatus());
    } else {
        watcher.pause();
        setStatus(Texts::pausedStatus());
    }
}

} // namespace vantry
