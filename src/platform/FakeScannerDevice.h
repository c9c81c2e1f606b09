#pragma once

#include "platform/DelayScheduler.h"
#include "platform/ScanPageFile.h"
#include "platform/ScannerDevice.h"
#include "platform/SerialQueue.h"

#include <QImage>
#include <QSize>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace vantry {

// A scanner that follows a script, for tests of the code that drives scanners. Every
// result is delivered through the scheduler after `callbackDelay`; pages are real PNG files
// written into the requested folder. With `ownThread` the pages are made on the device's
// own thread, as a real driver reads them, and only announced on the main thread.
class FakeScannerDevice final : public ScannerDevice {
    Q_OBJECT
public:
    struct Script {
        QString name = QStringLiteral("Fake Scanner");
        bool isScanner = true;
        int failingOpens = 0; // the first n opens fail; -1: every open fails
        ScannerDeviceError openError{-9923, QStringLiteral("The device could not be opened.")};
        QList<ScannerUnitType> unitTypes{ScannerUnitType::flatbed, ScannerUnitType::documentFeeder};
        int failingSelects = 0; // the first n selections report an error (and nothing else)
        ScannerDeviceError selectError{-9931, QStringLiteral("The functional unit could not be selected.")};
        int notReadySelects = 0; // the first n selections offer no resolutions; -1: always
        int extraSelectReplies = 0; // each selection is answered this many more times
        QList<int> resolutions{150, 300, 600};
        int unitResolution = 0; // what the unit reports before it is programmed
        QSizeF physicalSize{8.5, 11.7};
        bool supportsDuplex = true;
        QStringList pageNames; // file names in order of arrival; empty: "<document>_0001.png", ...
        int pages = 3;
        QSize pageSize{60, 84};
        bool unreadablePages = false; // pages that are not images
        // The image of page n (from 1); none: a white page with a dark block, the same every time.
        // Called on the device's thread with `ownThread`.
        std::function<QImage(int page)> pageImage;
        // Pages are rendered, encoded and written on the device's own thread, then announced
        // on the main thread in order, with the scan's end after its last page. Off by
        // default: on a virtual clock a page must exist at the moment the clock reaches it.
        bool ownThread = false;
        std::chrono::milliseconds callbackDelay{10};
        std::chrono::milliseconds firstPageDelay{1000};
        std::chrono::milliseconds pageInterval{1000};
        bool completes = true; // false: the device goes quiet after its pages
        std::optional<ScannerDeviceError> completionError;
        std::optional<ScannerDeviceError> closeError;
    };

    FakeScannerDevice(Script script, DelayScheduler& scheduler);
    ~FakeScannerDevice() override; // waits for a page being made on the device's thread

    QString name() const override { return script_.name; }
    QString id() const override { return script_.name; }
    bool isScanner() const override { return script_.isScanner; }

    void requestOpenSession() override;
    void requestCloseSession() override;
    QList<ScannerUnitType> availableUnitTypes() const override { return open_ ? script_.unitTypes : QList<ScannerUnitType>{}; }
    void requestSelectUnit(ScannerUnitType type) override;
    std::optional<ScannerUnitInfo> selectedUnit() const override { return selected_; }
    void requestScan(const ScanRequest& request) override;
    void cancelScan() override;

    // Writes one more page now (with `ownThread`: as soon as the device's thread gets to it),
    // as a device does that keeps feeding after the scan ended.
    void deliverPage(const QString& fileName);

    Script& script() { return script_; }

    // What was asked of the device.
    int openRequests = 0;
    int closeRequests = 0;
    int cancelRequests = 0;
    QList<ScannerUnitType> selectRequests;
    QList<ScanRequest> scanRequests;

private:
    void later(std::chrono::milliseconds delay, std::function<void()> action);
    // Writes the page of the latest scan request and emits `pageWritten`; with `ownThread`
    // the writing happens on the device's thread. `current` says whether the page still
    // belongs to the scan when it is ready to be announced.
    void producePage(const QString& fileName, std::function<bool()> current);
    SerialQueue& deviceThread();
    // Runs `action` on the main thread after the pages handed to the device's thread so far.
    void afterPages(std::function<void()> action);
    // Touches `pageFile_` and `pagesWritten_`: on the device's thread with `ownThread`.
    QString writePage(const ScanRequest& request, const Script& script, const QString& fileName);

    Script script_;
    DelayScheduler& scheduler_;
    bool open_ = false;
    std::optional<ScannerUnitInfo> selected_;
    int scanGeneration_ = 0;
    bool scanning_ = false;
    int pagesWritten_ = 0;
    std::optional<ScanPageFile> pageFile_; // numbers the pages of the current scan
    std::unique_ptr<SerialQueue> thread_;  // with `ownThread`; created on the first scan
};

} // namespace vantry
