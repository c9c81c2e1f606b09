#include "app/capture/CaptureWindowState.h"

#include "app/auth/AuthService.h"
#include "app/batch/BatchSession.h"
#include "app/settings/CaptureConfig.h"
#include "app/batch/ImportTexts.h"
#include "app/capture/AlertPrompter.h"
#include "app/capture/CaptureCsvExport.h"
#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureCommands.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/UnimportedWork.h"
#include "app/scanner/PrefHealer.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/FolderWatcher.h"
#include "core/records/ImportIntentStore.h"
#include "platform/DelayScheduler.h"
#include "platform/FileRevealer.h"

namespace vantry {

namespace {

struct NoFileRevealer final : FileRevealer {
    void reveal(const QString&) override {}
};

} // namespace

CaptureWindowState::CaptureWindowState(BatchSession& session, Services services, QObject* parent)
    : QObject(parent), session_(session), viewModel_(session.viewModel()), services_(std::move(services))
{
    if (!services_.settings)
        services_.settings = SettingsStore::standard();
    if (!services_.scheduler)
        services_.scheduler = &QtDelayScheduler::shared();
    if (!services_.preferences)
        services_.preferences = &PreferenceDomains::system();
    if (!services_.now)
        services_.now = [] { return QDateTime::currentDateTime(); };
    nowTick_ = services_.now();
    commands_ = new CaptureCommands(session_, *this,
                                    CaptureCommands::Services{services_.settings, services_.folderPicker,
                                                              services_.diskSpace, services_.picturesFolder,
                                                              services_.otherTabFolders, services_.now},
                                    this);

    enforceSingleScanFolder();
    commands_->syncRecountBinFromScanFolder();
    commands_->syncImportBinFromScanFolder();
    askService();
    // A window opened while signed out asked nobody: it asks once someone signs in.
    if (AuthService* auth = viewModel_->auth())
        connect(auth, &AuthService::isSignedInChanged, this, [this](bool signedIn) {
            if (signedIn)
                askService();
        });
    heal();
    scheduleHeartbeat();
    if (directScanEnabled()) {
        session_.scanner().startBrowsing();
        browsing_ = true;
    }
    scheduleClock();

    services_.settings->observe(SettingsKeys::directScanEnabled, this, [this] { directScanSettingChanged(); });
    services_.settings->observe(SettingsKeys::reviewSort, this, [this] { emit reviewSortChanged(); });
    connect(&session_, &BatchSession::scanFolderPathChanged, this, &CaptureWindowState::scanFolderChanged);
    connect(viewModel_->recount(), &BatchRecount::replaceModeChanged, this, &CaptureWindowState::replaceModeChanged);
    connect(&session_.watcher(), &FolderWatcher::isFolderReadableChanged, this, &CaptureWindowState::showUnreadableFolder);
    if (!session_.watcher().isFolderReadable())
        showUnreadableFolder();
}

// Timers scheduled with this object as context die with it; nothing else stops.
CaptureWindowState::~CaptureWindowState() = default;

void CaptureWindowState::askService()
{
    // Not awaited: the batch's model runs it to its end, also after this window has gone.
    [](std::shared_ptr<CaptureViewModel> vm) -> QCoro::Task<> {
        co_await vm->resolveDefaultWorkspace();
        if (vm->recount()->replaceMode())
            co_await vm->refreshInventoryBins();
        // Before the clean-up: a held import's session must still be there to be asked.
        co_await vm->checkHeldImports();
        co_await vm->cleanupStaleScanSessions();
    }(viewModel_);
}

ReviewSort CaptureWindowState::reviewSort() const
{
    return ReviewSort::fromRawValue(services_.settings->string(SettingsKeys::reviewSort).value_or(QString()))
        .value_or(ReviewSort::smart);
}

bool CaptureWindowState::directScanEnabled() const
{
    return CaptureConfig::read(*services_.settings).directScanEnabled;
}

void CaptureWindowState::enforceSingleScanFolder()
{
    // One scan folder per batch: a leftover source folder would feed a second one.
    const auto source = services_.settings->string(SettingsKeys::scanSourceFolder);
    if (source && !source->isEmpty())
        services_.settings->setString(SettingsKeys::scanSourceFolder, QString());
}

void CaptureWindowState::heal()
{
    const PrefHealer::Outcome outcome = PrefHealer::healImageCaptureDuplicateScans(*services_.preferences);
    if (outcome.message)
        viewModel_->showPrefHealMessage(*outcome.message);
}

void CaptureWindowState::scheduleHeartbeat()
{
    services_.scheduler->after(healInterval, this, [this] {
        heal();
        scheduleHeartbeat();
    });
}

void CaptureWindowState::scheduleClock()
{
    services_.scheduler->after(clockInterval, this, [this] {
        if (session_.watcher().isWatching()) {
            nowTick_ = services_.now();
            emit nowTickChanged();
        }
        scheduleClock();
    });
}

void CaptureWindowState::scanFolderChanged()
{
    const QString& path = session_.scanFolderPath();
    if (!path.isEmpty())
        services_.settings->setString(SettingsKeys::scanFolder, path);
    enforceSingleScanFolder();
    commands_->syncRecountBinFromScanFolder();
    commands_->syncImportBinFromScanFolder();
}

void CaptureWindowState::replaceModeChanged()
{
    if (!viewModel_->recount()->replaceMode())
        return;
    commands_->syncRecountBinFromScanFolder();
    viewModel_->refreshInventoryBins();
}

void CaptureWindowState::showUnreadableFolder()
{
    const FolderWatcher& watcher = session_.watcher();
    if (!watcher.isWatching() || !watcher.folder())
        return;
    const QString name = CaptureCommandTexts::folderName(*watcher.folder());
    // Said once when the folder goes, and taken back when it can be read again.
    viewModel_->reportStatus(watcher.isFolderReadable() ? CaptureCommandTexts::watchingStatus(name, 0)
                                                            : CaptureCommandTexts::unlistableFolderStatus(name));
}

void CaptureWindowState::directScanSettingChanged()
{
    const bool enabled = directScanEnabled();
    if (enabled != browsing_) {
        browsing_ = enabled;
        if (enabled)
            session_.scanner().startBrowsing();
        else
            session_.scanner().stopBrowsing();
    }
    emit directScanEnabledChanged();
}

void CaptureWindowState::exportCsv(bool manabox)
{
    if (!services_.savePanel)
        return;
    auto revealer = services_.revealer ? services_.revealer : std::make_shared<NoFileRevealer>();
    CaptureCsvExport::run(viewModel_, manabox ? CaptureCsvExport::Kind::manabox : CaptureCsvExport::Kind::rawScanOrder,
                          services_.now().date(), services_.savePanel, std::move(revealer));
}

void CaptureWindowState::confirmNewBatch()
{
    std::weak_ptr<CaptureViewModel> model = viewModel_;
    const auto rows = static_cast<qint64>(viewModel_->rows().size());
    services_.prompter->present(AlertSpec{
        QStringLiteral("newBatchAlert"),
        CaptureTexts::discardTitle(rows),
        CaptureTexts::discardMessage(),
        {{QStringLiteral("Cancel"), AlertSpec::Role::cancel, {}},
         {QStringLiteral("Discard"), AlertSpec::Role::destructive,
          [model] {
              if (const auto vm = model.lock())
                  vm->startNewBatch();
          }}},
    });
}

void CaptureWindowState::confirmSendHeldAgain(const QUuid& intentId)
{
    std::weak_ptr<CaptureViewModel> model = viewModel_;
    const ImportIntent* intent = ImportIntentStore::instance().find(intentId);
    if (!intent)
        return;
    services_.prompter->present(AlertSpec{
        QStringLiteral("sendAgainAlert"),
        ImportTexts::sendAgainQuestion(*intent),
        ImportTexts::sendAgainWarning(),
        {{QStringLiteral("Cancel"), AlertSpec::Role::cancel, {}},
         {ImportTexts::sendAgainLabel(), AlertSpec::Role::destructive,
          [model, intentId] {
              if (const auto vm = model.lock())
                  vm->sendHeldImportAgain(intentId);
          }}},
    });
}

void CaptureWindowState::confirmClearFolder(const UnimportedWork& work, const QString& folderName,
                                            const QString& archiveName, std::function<void()> clear)
{
    services_.prompter->present(UnimportedWorkAlerts::clearFolder(work, folderName, archiveName, std::move(clear)));
}

void CaptureWindowState::confirmImport(const QString& message, std::function<void()> startImport)
{
    services_.prompter->present(AlertSpec{
        QStringLiteral("importAlert"),
        CaptureTexts::importConfirmTitle(),
        message,
        {{QStringLiteral("Cancel"), AlertSpec::Role::cancel, {}},
         {QStringLiteral("Import"), AlertSpec::Role::defaultAction, std::move(startImport)}},
        AlertSpec::Look::routine,
    });
}

void CaptureWindowState::warnSplitChildImport(const QString& message, std::function<void()> switchToRecount,
                                              std::function<void()> startImport)
{
    services_.prompter->present(AlertSpec{
        QStringLiteral("recountOffAlert"),
        CaptureTexts::splitChildWarningTitle(),
        message,
        {{QStringLiteral("Cancel"), AlertSpec::Role::cancel, {}},
         {QStringLiteral("Switch to Recount"), AlertSpec::Role::normal, std::move(switchToRecount)},
         {QStringLiteral("Import anyway"), AlertSpec::Role::destructive, std::move(startImport)}},
    });
}

void CaptureWindowState::reportScanStopped(const QString& message)
{
    services_.prompter->present(AlertSpec{
        QStringLiteral("scanStoppedAlert"),
        CaptureTexts::scanStoppedTitle(),
        message,
        {{QStringLiteral("OK"), AlertSpec::Role::defaultAction, {}}},
    });
}

} // namespace vantry
