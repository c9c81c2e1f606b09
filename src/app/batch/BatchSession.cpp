#include "app/batch/BatchSession.h"

#include "app/batch/WatcherTexts.h"
#include "app/settings/CaptureConfig.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/FolderWatcher.h"

#include <QDir>
#include <QFileInfo>

namespace vantry {

BatchSession::BatchSession(AuthService* auth, QString scanFolderPath, QObject* parent)
    : BatchSession(Parts{CaptureViewModel::create(auth), std::make_unique<FolderWatcher>(),
                         std::make_unique<ScannerController>()},
                   std::move(scanFolderPath), parent)
{
}

BatchSession::BatchSession(Parts parts, QString scanFolderPath, QObject* parent)
    : QObject(parent), id_(QUuid::createUuid()), viewModel_(std::move(parts.viewModel)),
      watcher_(std::move(parts.watcher)), scanner_(std::move(parts.scanner)), scanFolderPath_(std::move(scanFolderPath))
{
    // A page the scanner put into the watched folder is finished: the watcher need not wait
    // for the folder to be quiet, so rows appear while the feeder still runs.
    // The scanner also says how it scanned the page, whatever the setting reads by now.
    if (scanner_ && watcher_) {
        scanner_->onPageScanned = [watcher = watcher_.get(), scanner = scanner_.get()](const QString& page) {
            watcher->pageFinished(page, scanner->scanDuplex() ? ScanSides::duplex : ScanSides::single);
        };
        connect(scanner_.get(), &ScannerController::isScanningChanged, this, &BatchSession::followSides);
    }
    SettingsStore::standard()->observe(SettingsKeys::duplex, this, [this] { followSides(); });
    if (watcher_)
        connectWatcher();
}

BatchSession::~BatchSession()
{
    // Members go before this object's connections: nothing the watcher tells from here on
    // reaches the model.
    if (watcher_)
        watcher_->disconnect(this);
}

void BatchSession::connectWatcher()
{
    // Connected once for the session's life, whatever folder it watches and whether a window
    // shows it: a background tab keeps taking in scans.
    FolderWatcher* watcher = watcher_.get();
    // The cards come paired as their pages were scanned, whatever the setting says by now.
    connect(watcher, &FolderWatcher::cardsArrived, this, [this](const std::vector<ScannedCard>& cards) {
        viewModel_->ingest(cards, IngestOptions{.append = true, .showProgress = true, .autoImport = true});
    });
    connect(watcher, &FolderWatcher::duplicatesDropped, this,
            [this](int count) { viewModel_->showToast(WatcherTexts::droppedDuplicatesToast(count)); });
    connect(watcher, &FolderWatcher::pagesRouted, this, [this](int count, const QString& destination) {
        viewModel_->reportStatus(WatcherTexts::movedScansStatus(count, destination));
    });
    connect(watcher, &FolderWatcher::filesLeftOut, this,
            [this](const std::vector<LeftOutScanFile>& files) { viewModel_->addLeftOutScans(files); });
}

void BatchSession::setScanFolderPath(QString path)
{
    scanFolderPath_ = std::move(path);
    // A running watcher moves with the folder: the new folder's pages must reach this batch,
    // and the old folder is no longer this batch's.
    if (watcher_->isWatching() && watcher_->folder() &&
        *watcher_->folder() != QDir::cleanPath(QFileInfo(scanFolderPath_).absoluteFilePath())) {
        if (scanFolderPath_.isEmpty()) {
            watcher_->stop();
        } else {
            const bool paused = watcher_->isPaused();
            watchFolder(scanFolderPath_);
            if (paused)
                watcher_->pause();
        }
    }
    emit scanFolderPathChanged();
}

QString BatchSession::title() const
{
    if (scanFolderPath_.isEmpty())
        return QStringLiteral("New batch");
    QString path = scanFolderPath_;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFileInfo(path).fileName();
}

ScanSides BatchSession::sidesInForce() const
{
    const bool duplex = scanner_ && scanner_->isScanning() ? scanner_->scanDuplex() : CaptureConfig::current().duplex;
    return duplex ? ScanSides::duplex : ScanSides::single;
}

void BatchSession::followSides()
{
    if (watcher_ && watcher_->isWatching())
        watcher_->setSides(sidesInForce());
}

void BatchSession::watchFolder(const QString& folder, const std::optional<QString>& routeInto)
{
    watcher_->start(folder, routeInto, sidesInForce());
}

void BatchSession::close()
{
    watcher_->disconnect(this);
    viewModel_->cancelIngests();
    watcher_->stop();
    scanner_->stopBrowsing();
}

} // namespace vantry
