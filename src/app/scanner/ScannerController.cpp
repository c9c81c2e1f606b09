#include "app/scanner/ScannerController.h"

#include "core/support/CaptureLog.h"
#include "core/intake/ScanFileOrder.h"
#include "core/intake/ScanResolution.h"
#include "core/intake/ScanTimingBatchSummary.h"
#include "core/intake/ScanTimingDiagnostics.h"
#include "core/intake/ScannerSessionDiagnosis.h"
#include "platform/SerialQueue.h"
#include "core/support/UnsharpMask.h"
#include "platform/Paths.h"
#include "platform/SaneScannerBrowser.h"
#include "platform/ScanPageFile.h"
#include "platform/WholeFileWrite.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QPointer>
#include <QSettings>

#include <coroutine>
#include <exception>

Q_LOGGING_CATEGORY(lcScanner, "com.vantry.capture.scanner", QtInfoMsg)

namespace vantry {

namespace {

void diag(const QString& message) { CaptureLog::log(QStringLiteral("[scanner] ") + message); }

// A staged page by the name it will have.
QString pageName(const QString& path)
{
    const QString staged = ScanPageFile::stagedFinalName(path);
    return staged.isEmpty() ? QFileInfo(path).fileName() : staged;
}

QString boolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString errorText(const std::optional<ScannerDeviceError>& error)
{
    return error ? error->description : QStringLiteral("nil");
}

// Resumes a suspended coroutine from the main thread's event loop, never from inside the
// caller: the application object outlives every controller, so a resume is never lost.
void resumeLater(std::coroutine_handle<> handle)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}

// Completes once every job queued on the sharpen queue before it has run.
struct SharpenBarrier {
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        ScannerController::sharpenQueue().submit([handle] { resumeLater(handle); });
    }
    void await_resume() const noexcept {}
};

} // namespace

// The suspended `scan` call: filled in once, by whoever finishes the scan.
struct ScannerController::Waiter {
    std::coroutine_handle<> handle;
    std::optional<ScanOutcome> outcome;
    std::exception_ptr error;
    bool done = false;

    void finish()
    {
        done = true;
        if (handle)
            resumeLater(std::exchange(handle, nullptr));
    }
};

struct ScannerController::PagePlaces {
    QMutex mutex;
    QHash<QString, std::optional<QString>> places; // staged page -> its place (none: not placed)

    void record(const QString& staged, std::optional<QString> placed)
    {
        const QMutexLocker lock(&mutex);
        places.insert(staged, std::move(placed));
    }
    void clear()
    {
        const QMutexLocker lock(&mutex);
        places.clear();
    }
    // The pages where they ended up, in name order; a page that could not be placed is left out.
    QStringList resolve(const QStringList& pages)
    {
        const QMutexLocker lock(&mutex);
        QStringList out;
        for (const QString& page : pages) {
            const auto it = places.constFind(page);
            if (it == places.cend())
                out << page;
            else if (*it)
                out << **it;
        }
        ScanFileOrder::sortPaths(out);
        return out;
    }
};

// Holds a plain pointer: temporaries with destructors inside co_await are not safe with every compiler.
struct ScannerController::WaiterAwaitable {
    Waiter* waiter;
    bool await_ready() const noexcept { return waiter->done; }
    void await_suspend(std::coroutine_handle<> handle) { waiter->handle = handle; }
    void await_resume() const noexcept {}
};

ScannerController::ScannerController(ScannerBrowserFactory browserFactory, DelayScheduler& scheduler, Timing timing,
                                     QObject* parent)
    : QObject(parent), browserFactory_(std::move(browserFactory)), scheduler_(scheduler), timing_(timing),
      pagePlaces_(std::make_shared<PagePlaces>())
{
    if (!browserFactory_)
        browserFactory_ = [] { return std::unique_ptr<ScannerBrowser>(std::make_unique<SaneScannerBrowser>()); };
    downloadsDir_ = QDir(QDir::tempPath()).filePath(QStringLiteral("VantryCapture"));
    QDir().mkpath(downloadsDir_);
    installBrowser();
}

ScannerController::~ScannerController()
{
    if (auto waiter = std::exchange(scanContinuation_, nullptr)) {
        waiter->error = std::make_exception_ptr(ScannerError::canceled());
        waiter->finish();
    }
    if (activeDevice_)
        disconnect(activeDevice_.get(), nullptr, this, nullptr);
}

SerialQueue& ScannerController::sharpenQueue()
{
    // Never destroyed: pages may still be queued while static destructors run.
    static SerialQueue* queue = new SerialQueue(QStringLiteral("com.vantry.capture.sharpen"));
    return *queue;
}

void ScannerController::installBrowser()
{
    browser_ = browserFactory_ ? browserFactory_() : nullptr;
    if (!browser_)
        return;
    connect(browser_.get(), &ScannerBrowser::deviceAdded, this, [this](std::shared_ptr<ScannerDevice> device, bool) {
        if (device && device->isScanner())
            defer([this, device] { didAdd(device); });
    });
    connect(browser_.get(), &ScannerBrowser::deviceRemoved, this,
            [this](std::shared_ptr<ScannerDevice> device, bool) { defer([this, device] { didRemove(device); }); });
}

void ScannerController::defer(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void ScannerController::setPhase(Phase phase)
{
    if (phase_ == phase)
        return;
    phase_ = phase;
    emit phaseChanged(phase);
}

void ScannerController::setScanning(bool scanning)
{
    if (isScanning_ == scanning)
        return;
    isScanning_ = scanning;
    emit isScanningChanged(scanning);
}

void ScannerController::startBrowsing()
{
    qCInfo(lcScanner) << "startBrowsing";
    if (browser_)
        browser_->start();
}

void ScannerController::stopBrowsing()
{
    qCInfo(lcScanner) << "stopBrowsing";
    if (browser_)
        browser_->stop();
}

void ScannerController::connectDevice(const std::shared_ptr<ScannerDevice>& device)
{
    ScannerDevice* d = device.get();
    disconnect(d, nullptr, this, nullptr);
    const std::weak_ptr<ScannerDevice> weak = device;
    // Each callback only schedules its work on the main thread's loop, as device delegates do.
    connect(d, &ScannerDevice::sessionOpened, this, [this, weak](std::optional<ScannerDeviceError> error) {
        defer([this, weak, error] {
            if (auto device = weak.lock())
                didOpenSession(device, error);
        });
    });
    connect(d, &ScannerDevice::sessionClosed, this, [this, weak](std::optional<ScannerDeviceError> error) {
        defer([this, weak, error] {
            if (auto device = weak.lock())
                didCloseSession(device, error);
        });
    });
    connect(d, &ScannerDevice::unitSelected, this,
            [this, weak](std::optional<ScannerUnitInfo> unit, std::optional<ScannerDeviceError> error) {
                defer([this, weak, unit, error] {
                    if (auto device = weak.lock())
                        didSelect(device, unit, error);
                });
            });
    connect(d, &ScannerDevice::pageWritten, this, [this](QString path) {
        // Measured before the sharpen queue can move the page on.
        ScanArrivalSample sample = ScanTimingDiagnostics::sample(path, QDateTime::currentDateTime());
        sample.fileName = pageName(path);
        // The file work goes straight onto the sharpen queue; the record hops to the main loop.
        QPointer<ScannerController> self(this);
        sharpenQueue().submit([self, path, places = pagePlaces_] {
            const std::optional<QString> placed = finishPage(path);
            places->record(path, placed);
            if (!placed)
                return;
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, page = *placed] {
                qCInfo(lcScanner).noquote() << QStringLiteral("didScanTo url=%1 sharpened").arg(QFileInfo(page).fileName());
                if (self && self->onPageScanned)
                    self->onPageScanned(page);
            }, Qt::QueuedConnection);
        });
        defer([this, path, sample] { didScanTo(path, sample); });
    });
    connect(d, &ScannerDevice::scanCompleted, this, [this, weak](std::optional<ScannerDeviceError> error) {
        defer([this, weak, error] {
            if (auto device = weak.lock())
                didCompleteScan(device, error);
        });
    });
    connect(d, &ScannerDevice::becameReady, this, [this] { defer([] { qCInfo(lcScanner) << "deviceDidBecomeReady"; }); });
}

QCoro::Task<ScannerController::ScanOutcome> ScannerController::scan(std::shared_ptr<ScannerDevice> device, bool duplex,
                                                                    int resolutionDpi, std::optional<QString> outputDirectory)
{
    if (isScanning_) {
        qCWarning(lcScanner) << "scan() called while another scan is in flight; returning empty.";
        co_return ScanOutcome{};
    }
    QPointer<ScannerController> self(this);
    const std::shared_ptr<PagePlaces> places = pagePlaces_;
    const quint64 generation = ++scanGeneration_;
    // Known before the scan is announced: the watcher pairs the scan's pages by it.
    pendingDuplex_ = duplex;
    setScanning(true);
    scannedURLs_.clear();
    places->clear();
    samples_.clear();
    activeAppliedResolutionDpi_.reset();
    activeDevice_ = device;
    pendingResolutionDpi_ = resolutionDpi;
    pendingOutputDir_ = outputDirectory;

    const QString name = device && !device->name().isEmpty() ? device->name() : QStringLiteral("unknown");
    qCInfo(lcScanner).noquote() << QStringLiteral("scan begin device=%1 duplex=%2 outputDir=%3")
                                       .arg(name, boolText(duplex), outputDirectory.value_or(QStringLiteral("<temp>")));
    diag(QStringLiteral("scan begin device=%1 duplex=%2 dpi=%3 out=%4")
             .arg(name, boolText(duplex), QString::number(resolutionDpi),
                  outputDirectory ? QFileInfo(*outputDirectory).fileName() : QStringLiteral("<temp>")));

    auto waiter = std::make_shared<Waiter>();
    scanContinuation_ = waiter;
    if (device)
        connectDevice(device);
    setPhase(Phase::openingSession);
    openAttempts_ = 0;
    notReadyRetries_ = 0;
    reselectPending_ = false;
    scanStartLatch_.arm();
    armWatchdog();
    qCInfo(lcScanner) << "requestOpenSession";
    if (device)
        device->requestOpenSession();
    else
        fail(ScannerError::sessionFailed(QStringLiteral("No scanner was chosen.")));

    co_await WaiterAwaitable{waiter.get()};
    // Every page the device handed over is sharpened before the caller gets the list.
    co_await SharpenBarrier{};

    if (self && generation == self->scanGeneration_) {
        self->setScanning(false);
        self->cancelWatchdog();
        self->activeDevice_.reset();
        self->setPhase(Phase::idle);
    }
    if (waiter->error)
        std::rethrow_exception(waiter->error);
    ScanOutcome outcome = std::move(*waiter->outcome);
    outcome.pages = places->resolve(outcome.pages);
    co_return outcome;
}

void ScannerController::resume(ScanOutcome outcome)
{
    auto waiter = std::exchange(scanContinuation_, nullptr);
    if (!waiter)
        return;
    cancelWatchdog();
    waiter->outcome = std::move(outcome);
    waiter->finish();
}

void ScannerController::fail(const ScannerError& error)
{
    auto waiter = std::exchange(scanContinuation_, nullptr);
    if (!waiter)
        return;
    cancelWatchdog();
    waiter->error = std::make_exception_ptr(error);
    waiter->finish();
}

QStringList ScannerController::sortedPages() const
{
    QStringList pages = scannedURLs_;
    ScanFileOrder::sortPaths(pages);
    return pages;
}

void ScannerController::didOpenSession(const std::shared_ptr<ScannerDevice>& device,
                                       const std::optional<ScannerDeviceError>& error)
{
    if (!error) {
        if (device->isScanner()) {
            qCInfo(lcScanner) << "didOpenSession OK";
            selectFeeder(device);
        } else {
            qCWarning(lcScanner) << "didOpenSession but device is not a scanner";
            fail(ScannerError::sessionFailed(QStringLiteral("Device is not a scanner.")));
        }
        return;
    }
    qCWarning(lcScanner).noquote() << QStringLiteral("didOpenSession error=%1").arg(error->description);
    diag(QStringLiteral("didOpenSession error=%1").arg(error->description));
    if (!scanContinuation_)
        return;
    if (openAttempts_ < maxOpenAttempts) {
        const int n = ++openAttempts_;
        qCInfo(lcScanner).noquote() << QStringLiteral("retrying open session attempt=%1").arg(n);
        diag(QStringLiteral("retrying open session attempt=%1/%2").arg(QString::number(n), QString::number(maxOpenAttempts)));
        const quint64 generation = scanGeneration_;
        scheduler_.after(timing_.openRetryStep * n, this, [this, device, generation] {
            if (generation != scanGeneration_ || !scanContinuation_)
                return; // a retry of an earlier scan, or the scan has ended
            device->requestOpenSession();
        });
        return;
    }
    fail(ScannerError::sessionFailed(error->description));
}

void ScannerController::selectFeeder(const std::shared_ptr<ScannerDevice>& device)
{
    const bool feeder = device->availableUnitTypes().contains(ScannerUnitType::documentFeeder);
    setPhase(Phase::selectingUnit);
    qCInfo(lcScanner).noquote() << QStringLiteral("requestSelect feeder=%1").arg(boolText(feeder));
    device->requestSelectUnit(feeder ? ScannerUnitType::documentFeeder : ScannerUnitType::flatbed);
}

void ScannerController::didSelect(const std::shared_ptr<ScannerDevice>& device, const std::optional<ScannerUnitInfo>& unit,
                                  const std::optional<ScannerDeviceError>& error)
{
    if (error) {
        qCWarning(lcScanner).noquote()
            << QStringLiteral("didSelectFunctionalUnit error=%1 — non-fatal, awaiting ready/retry").arg(error->description);
        diag(QStringLiteral("didSelect error=%1 (non-fatal, awaiting ready/retry)").arg(error->description));
        return;
    }
    qCInfo(lcScanner).noquote()
        << QStringLiteral("didSelectFunctionalUnit type=%1").arg(unit ? int(unit->type) : int(ScannerUnitType::flatbed));
    if (!unit || unit->supportedResolutions.isEmpty()) {
        reselectIfNotReady(device);
        return;
    }
    if (scanStartLatch_.consume()) {
        configureAndScan(device);
        return;
    }
    qCInfo(lcScanner) << "didSelectFunctionalUnit duplicate — scan already requested, ignoring";
    diag(QStringLiteral("didSelect DUPLICATE ignored (scan already issued)"));
}

void ScannerController::reselectIfNotReady(const std::shared_ptr<ScannerDevice>& device)
{
    if (reselectPending_) {
        diag(QStringLiteral("not-ready reselect already pending — ignoring duplicate select"));
        return;
    }
    if (notReadyRetries_ < maxNotReadyRetries) {
        const int n = ++notReadyRetries_;
        reselectPending_ = true;
        qCInfo(lcScanner).noquote()
            << QStringLiteral("unit not ready (no resolutions) — reselect %1/%2")
                   .arg(QString::number(n), QString::number(maxNotReadyRetries));
        diag(QStringLiteral("not-ready reselect %1/%2").arg(QString::number(n), QString::number(maxNotReadyRetries)));
        const quint64 generation = scanGeneration_;
        scheduler_.after(timing_.reselectDelay, this, [this, device, generation] {
            if (generation != scanGeneration_)
                return;
            reselectPending_ = false;
            if (scanContinuation_)
                selectFeeder(device);
        });
        return;
    }
    qCWarning(lcScanner).noquote()
        << QStringLiteral("unit never advertised resolutions after %1 reselects").arg(maxNotReadyRetries);
    diag(QStringLiteral("not-ready gave up after %1 reselects — awaiting watchdog").arg(notReadyRetries_));
}

void ScannerController::configureAndScan(const std::shared_ptr<ScannerDevice>& device)
{
    setPhase(Phase::configuringUnit);
    const ScannerUnitInfo unit = device->selectedUnit().value_or(ScannerUnitInfo{});
    qCInfo(lcScanner).noquote() << QStringLiteral("configuring unit=%1").arg(int(unit.type));

    std::vector<int> supported(unit.supportedResolutions.begin(), unit.supportedResolutions.end());
    std::sort(supported.begin(), supported.end());
    int resolution = unit.resolution;
    if (auto best = ScanResolution::bestSupported(pendingResolutionDpi_, supported))
        resolution = *best;
    if (resolution == 0) {
        resolution = pendingResolutionDpi_;
        diag(QStringLiteral("resolution was 0 — floored to %1").arg(pendingResolutionDpi_));
    }
    activeAppliedResolutionDpi_ = resolution;
    QStringList list;
    for (int r : supported)
        list << QString::number(r);
    diag(QStringLiteral("resolution requested=%1 supported=%2 applied=%3")
             .arg(QString::number(pendingResolutionDpi_), list.join(QLatin1Char(',')), QString::number(resolution)));

    const QSizeF physical = unit.physicalSize;
    const QRectF area = physical.width() > 0 && physical.height() > 0 ? QRectF(QPointF(0, 0), physical)
                                                                      : QRectF(0, 0, 8.5, 14.0);
    qCInfo(lcScanner).noquote() << QString::asprintf("scanArea=%fx%f physical=%fx%f res=%ld measurementUnit=%lu",
                                                     area.width(), area.height(), physical.width(), physical.height(),
                                                     long(resolution), 0ul);
    ScanRequest request;
    request.unitType = unit.type;
    request.resolution = resolution;
    request.scanArea = area;
    if (unit.type == ScannerUnitType::documentFeeder) {
        request.duplex = pendingDuplex_;
        qCInfo(lcScanner).noquote() << QStringLiteral("documentFeeder duplex=%1").arg(boolText(pendingDuplex_));
    }
    request.documentName = QStringLiteral("card");
    request.downloadsDirectory = pendingOutputDir_.value_or(downloadsDir_);
    request.stagePages = true; // each page appears in the folder once, finished (see finishPage)
    QDir().mkpath(request.downloadsDirectory);

    setPhase(Phase::scanning);
    qCInfo(lcScanner).noquote() << QStringLiteral("requestScan downloadsDir=%1").arg(request.downloadsDirectory);
    diag(QStringLiteral("requestScan dest=%1 res=%2 area=%3x%4 duplex=%5")
             .arg(QFileInfo(request.downloadsDirectory).fileName(), QString::number(resolution),
                  QString::number(qint64(area.width())), QString::number(qint64(area.height())),
                  boolText(pendingDuplex_)));
    device->requestScan(request);
}

void ScannerController::didScanTo(const QString& path, const ScanArrivalSample& sample)
{
    scannedURLs_.push_back(path);
    std::optional<double> gap;
    if (!samples_.empty())
        gap = double(samples_.back().fileTimestamp.msecsTo(sample.fileTimestamp)) / 1000.0;
    samples_.push_back(sample);
    diag(QStringLiteral("didScanTo %1 (page %2) %3 scannerGap=%4")
             .arg(pageName(path), QString::number(scannedURLs_.size()),
                  ScanTimingDiagnostics::qualityDescription(sample), ScanTimingDiagnostics::gapDescription(gap)));
    armWatchdog();
}

void ScannerController::didCompleteScan(const std::shared_ptr<ScannerDevice>& device,
                                        const std::optional<ScannerDeviceError>& error)
{
    // A waiting scan that has not asked for pages yet (or drives another device) cannot be
    // the one that completed: this is the late end of a scan that was reset or timed out.
    // It must neither end the new scan nor close the session the new scan is opening.
    if (scanContinuation_ && (scanStartLatch_.armed || device != activeDevice_)) {
        diag(QStringLiteral("didCompleteScan of an earlier scan ignored error=%1").arg(errorText(error)));
        return;
    }
    const QStringList pages = sortedPages();
    const ScanTimingBatchSummary summary(samples_);
    qCInfo(lcScanner).noquote() << QStringLiteral("didCompleteScan urls=%1 error=%2").arg(QString::number(pages.size()), errorText(error));
    diag(QStringLiteral("didCompleteScan pages=%1 requestedDpi=%2 appliedDpi=%3 timing=%4 error=%5")
             .arg(QString::number(pages.size()), QString::number(pendingResolutionDpi_),
                  QString::number(activeAppliedResolutionDpi_.value_or(0)), summary.logDescription(), errorText(error)));
    // A completion that arrives after the scan ended still closes the session, but leaves
    // the idle phase alone.
    if (scanContinuation_)
        setPhase(Phase::closing);
    device->requestCloseSession();
    if (!error)
        resume({pages, std::nullopt});
    else if (!pages.isEmpty())
        resume({pages, ScannerError::scanFailed(error->description)}); // the pages so far, and why it stopped
    else
        fail(ScannerError::scanFailed(error->description));
}

void ScannerController::didCloseSession(const std::shared_ptr<ScannerDevice>& device,
                                        const std::optional<ScannerDeviceError>& error)
{
    if (!error) {
        qCInfo(lcScanner) << "didCloseSession OK";
        return;
    }
    qCWarning(lcScanner).noquote() << QStringLiteral("didCloseSession error=%1").arg(error->description);
    diag(QStringLiteral("didCloseSession error=%1 code=%2").arg(error->description, QString::number(error->code)));
    if (ScannerSessionDiagnosis::requiresHardReset(error->code)) {
        disconnect(device.get(), nullptr, this, nullptr);
        hardResetDevice(QStringLiteral("close failed %1").arg(error->code));
    }
}

void ScannerController::hardResetDevice(const QString& reason)
{
    if (isHardResetting_) {
        diag(QStringLiteral("hardResetDevice reentrant skip reason=%1").arg(reason));
        return;
    }
    isHardResetting_ = true;
    qCWarning(lcScanner).noquote() << QStringLiteral("hardResetDevice reason=%1").arg(reason);
    diag(QStringLiteral("hardResetDevice reason=%1").arg(reason));
    cancelWatchdog();
    fail(ScannerError::canceled());
    if (activeDevice_)
        disconnect(activeDevice_.get(), nullptr, this, nullptr);
    activeDevice_.reset();
    if (browser_) {
        browser_->stop();
        disconnect(browser_.get(), nullptr, this, nullptr);
        browser_.reset();
    }
    devices_.clear();
    emit devicesChanged();
    setScanning(false);
    setPhase(Phase::idle);
    installBrowser();
    if (browser_)
        browser_->start();
    isHardResetting_ = false;
}

void ScannerController::resetSession()
{
    qCInfo(lcScanner) << "resetSession (manual)";
    diag(QStringLiteral("resetSession (manual) pages=%1 phase=%2").arg(QString::number(scannedURLs_.size()), rawValue(phase_)));
    cancelWatchdog();
    setPhase(Phase::closing);
    if (activeDevice_) {
        activeDevice_->cancelScan();
        activeDevice_->requestCloseSession();
    }
    activeDevice_.reset();
    fail(ScannerError::canceled());
    setScanning(false);
    setPhase(Phase::idle);
}

void ScannerController::armWatchdog()
{
    const quint64 token = ++watchdogToken_;
    const auto limit = scannedURLs_.isEmpty() ? timing_.firstPageTimeout : timing_.scanIdleTimeout;
    const quint64 seconds = quint64(std::chrono::duration_cast<std::chrono::seconds>(limit).count());
    scheduler_.after(limit, this, [this, token, seconds] {
        if (token == watchdogToken_)
            timeoutScan(seconds);
    });
}

void ScannerController::cancelWatchdog() { ++watchdogToken_; }

void ScannerController::timeoutScan(quint64 seconds)
{
    if (!scanContinuation_)
        return;
    const Phase stuckPhase = phase_;
    qCWarning(lcScanner).noquote() << QStringLiteral("watchdog fired phase=%1 after=%2s").arg(rawValue(stuckPhase), QString::number(seconds));
    diag(QStringLiteral("watchdog FIRED phase=%1 after=%2s pages=%3 openAttempts=%4")
             .arg(rawValue(stuckPhase), QString::number(seconds), QString::number(scannedURLs_.size()),
                  QString::number(openAttempts_)));
    setPhase(Phase::closing);
    if (activeDevice_) {
        activeDevice_->cancelScan();
        activeDevice_->requestCloseSession();
    }
    const ScannerError error = ScannerError::stuck(stuckPhase, seconds);
    if (!scannedURLs_.isEmpty())
        resume({sortedPages(), error}); // the pages written before the device stalled are kept
    else
        fail(error);
}

void ScannerController::didAdd(const std::shared_ptr<ScannerDevice>& device)
{
    if (!devices_.contains(device)) {
        devices_.push_back(device);
        emit devicesChanged();
    }
    qCInfo(lcScanner).noquote()
        << QStringLiteral("device added name=%1").arg(device->name().isEmpty() ? QStringLiteral("?") : device->name());
}

void ScannerController::didRemove(const std::shared_ptr<ScannerDevice>& device)
{
    if (devices_.removeAll(device) > 0)
        emit devicesChanged();
}

// Page files -----------------------------------------------------------------------------

void ScannerController::preserveRawCopyIfEnabled(const QString& path, const QString& name)
{
    const QSettings settings(paths::settingsFile(), QSettings::IniFormat);
    if (!settings.value(QStringLiteral("vy.keepRawScanCopies"), false).toBool())
        return;
    const QFileInfo page(path);
    const QString rawDir = page.dir().filePath(QStringLiteral("__raw__"));
    const QString rawName = name.isEmpty() ? page.fileName() : name;
    const QString destination = QDir(rawDir).filePath(rawName);
    if (QFileInfo::exists(destination))
        return; // the first copy under this name is kept
    QString failure;
    if (!QDir().mkpath(rawDir))
        failure = QStringLiteral("cannot create %1").arg(rawDir);
    else if (QFile source(path); !source.copy(destination))
        failure = source.errorString();
    if (!failure.isEmpty())
        qCWarning(lcScanner).noquote() << QStringLiteral("raw copy failed for %1: %2").arg(rawName, failure);
}

std::optional<QString> ScannerController::finishPage(const QString& path)
{
    const QString finalName = ScanPageFile::stagedFinalName(path);
    preserveRawCopyIfEnabled(path, finalName);
    sharpenInPlace(path);
    if (finalName.isEmpty())
        return path; // a device that placed the page itself
    const ScanPageFile::Written placed = ScanPageFile::place(path);
    if (!placed.error.isEmpty()) {
        qCWarning(lcScanner).noquote() << QStringLiteral("page %1 not moved into place: %2").arg(finalName, placed.error);
        diag(QStringLiteral("page %1 not moved into place: %2").arg(finalName, placed.error));
        return std::nullopt;
    }
    return placed.path;
}

void ScannerController::sharpenInPlace(const QString& path)
{
    const QString name = pageName(path);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcScanner).noquote() << QStringLiteral("sharpen: failed to load %1").arg(name);
        return;
    }
    const QImage sharpened = unsharpMask(image, 2.5, 0.35);
    if (sharpened.isNull()) {
        qCWarning(lcScanner) << "sharpen: filter produced no output";
        return;
    }
    // Written beside the page and moved over it, so a reader sees the old page or the new one.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(sharpened)) {
        qCWarning(lcScanner) << "sharpen: PNG encode failed";
        return;
    }
    QString error;
    if (!writeWholeFile(path, bytes, &error))
        qCWarning(lcScanner).noquote() << QStringLiteral("sharpen: write failed %1").arg(error);
}

} // namespace vantry
