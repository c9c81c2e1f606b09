#pragma once

#include "app/scanner/ScannerError.h"
#include "core/intake/ScanArrivalSample.h"
#include "core/intake/ScanStartLatch.h"
#include "platform/DelayScheduler.h"
#include "platform/ScannerBrowser.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

class SerialQueue;

// The scanner's waits: the watchdog limits and the pauses before retries.
struct ScannerTiming {
    std::chrono::milliseconds firstPageTimeout{30000};
    std::chrono::milliseconds scanIdleTimeout{60000};
    std::chrono::milliseconds openRetryStep{700};
    std::chrono::milliseconds reselectDelay{500};
};

// Drives one document scanner for a capture tab: browses for scanners, opens a session,
// selects and programs the feeder, scans, and hands back the page files. Lives on the
// main thread; only the per-page raw copy and sharpening run on the shared sharpen queue.
class ScannerController : public QObject {
    Q_OBJECT
public:
    using Phase = ScannerPhase;

    // What a scan gives back: the page files in name order and, when the scan ended badly
    // after some pages had been written, the failure to show next to them.
    struct ScanOutcome {
        QStringList pages;
        std::optional<ScannerError> warning;
    };

    using Timing = ScannerTiming;
    static constexpr int maxOpenAttempts = 5;
    static constexpr int maxNotReadyRetries = 6;

    // Without a factory the controller browses SANE devices.
    explicit ScannerController(ScannerBrowserFactory browserFactory = {},
                               DelayScheduler& scheduler = QtDelayScheduler::shared(), Timing timing = Timing(),
                               QObject* parent = nullptr);
    ~ScannerController() override;

    const QList<std::shared_ptr<ScannerDevice>>& devices() const { return devices_; }
    // The scanner a direct scan uses, for texts: its name (SANE vendor and model, may be
    // empty), none while no scanner is found.
    std::optional<QString> scannerName() const
    {
        return devices_.isEmpty() ? std::nullopt : std::optional<QString>(devices_.front()->name());
    }
    bool isScanning() const { return isScanning_; }
    // Whether the running scan (or the last one) scans both sides; set before `isScanningChanged`.
    bool scanDuplex() const { return pendingDuplex_; }
    Phase phase() const { return phase_; }

    // Called on the main thread once per page after its raw copy and sharpening.
    std::function<void(const QString& path)> onPageScanned;

    void startBrowsing();
    void stopBrowsing();

    // One feeder scan. Gives the pages sorted by file name once every page is sharpened,
    // or throws ScannerError. While another scan runs it gives nothing at once.
    QCoro::Task<ScanOutcome> scan(std::shared_ptr<ScannerDevice> device, bool duplex, int resolutionDpi,
                                  std::optional<QString> outputDirectory);
    // Abandons the current session on the user's request.
    void resetSession();

    const QStringList& scannedURLs() const { return scannedURLs_; }
    const std::vector<ScanArrivalSample>& directScanArrivalSamples() const { return samples_; }
    std::optional<int> activeAppliedResolutionDpi() const { return activeAppliedResolutionDpi_; }
    const QString& downloadsDir() const { return downloadsDir_; }

    // Copies the page into "__raw__" beside it, under `name` (default: its own name), when
    // vy.keepRawScanCopies is on (first copy kept).
    static void preserveRawCopyIfEnabled(const QString& path, const QString& name = {});
    // Rewrites the page as a sharpened PNG of the same size and resolution; failures are
    // logged and leave the page as it was.
    static void sharpenInPlace(const QString& path);
    // What happens to each page the device hands over, on the sharpen queue: the raw copy,
    // the sharpening while the page is still staged (hidden from folder listings), then one
    // rename into place, so a folder watcher sees every page once and only finished. Gives
    // the page's place, or nothing when it could not be moved there.
    static std::optional<QString> finishPage(const QString& path);
    // "com.vantry.capture.sharpen": one page at a time, in arrival order, for every controller.
    static SerialQueue& sharpenQueue();

signals:
    void devicesChanged();
    void isScanningChanged(bool scanning);
    void phaseChanged(vantry::ScannerPhase phase);

private:
    struct Waiter;
    struct WaiterAwaitable;
    struct PagePlaces;

    void installBrowser();
    void connectDevice(const std::shared_ptr<ScannerDevice>& device);
    void defer(std::function<void()> work);

    void setPhase(Phase phase);
    void setScanning(bool scanning);
    void resume(ScanOutcome outcome);
    void fail(const ScannerError& error);

    void didAdd(const std::shared_ptr<ScannerDevice>& device);
    void didRemove(const std::shared_ptr<ScannerDevice>& device);
    void didOpenSession(const std::shared_ptr<ScannerDevice>& device, const std::optional<ScannerDeviceError>& error);
    void didCloseSession(const std::shared_ptr<ScannerDevice>& device, const std::optional<ScannerDeviceError>& error);
    void didSelect(const std::shared_ptr<ScannerDevice>& device, const std::optional<ScannerUnitInfo>& unit,
                   const std::optional<ScannerDeviceError>& error);
    void didScanTo(const QString& path, const ScanArrivalSample& sample);
    void didCompleteScan(const std::shared_ptr<ScannerDevice>& device, const std::optional<ScannerDeviceError>& error);

    void selectFeeder(const std::shared_ptr<ScannerDevice>& device);
    void reselectIfNotReady(const std::shared_ptr<ScannerDevice>& device);
    void configureAndScan(const std::shared_ptr<ScannerDevice>& device);
    void hardResetDevice(const QString& reason);
    void armWatchdog();
    void cancelWatchdog();
    void timeoutScan(quint64 seconds);
    QStringList sortedPages() const;

    ScannerBrowserFactory browserFactory_;
    DelayScheduler& scheduler_;
    Timing timing_;

    QList<std::shared_ptr<ScannerDevice>> devices_;
    bool isScanning_ = false;
    Phase phase_ = Phase::idle;
    std::unique_ptr<ScannerBrowser> browser_;
    QStringList scannedURLs_;
    // Where the sharpen queue put each staged page (written there, read after it drained).
    std::shared_ptr<PagePlaces> pagePlaces_;
    std::vector<ScanArrivalSample> samples_;
    std::shared_ptr<Waiter> scanContinuation_;
    QString downloadsDir_;
    std::shared_ptr<ScannerDevice> activeDevice_;
    quint64 watchdogToken_ = 0;
    int openAttempts_ = 0;
    bool pendingDuplex_ = false;
    std::optional<QString> pendingOutputDir_;
    int pendingResolutionDpi_ = 600;
    std::optional<int> activeAppliedResolutionDpi_;
    ScanStartLatch scanStartLatch_;
    bool isHardResetting_ = false;
    int notReadyRetries_ = 0;
    bool reselectPending_ = false;
    // Each scan gets a new generation; delayed retries of an earlier scan do nothing.
    quint64 scanGeneration_ = 0;
};

} // namespace vantry
