#pragma once

#include "app/scanner/ScannerController.h"
#include "core/support/CaptureLog.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/FakeScannerDevice.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/TempHome.h"

#include <QCoroTask>
#include <QFile>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace vantry::test {

// Collects the messages of the scanner's logging category while alive.
class ScannerLogCapture {
public:
    ScannerLogCapture();
    ~ScannerLogCapture();
    QStringList lines() const;
    bool contains(const QString& text) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    QtMessageHandler previous_;
};

// The scanner's lines of the diagnostic log written so far, without time and thread tag.
QStringList scannerDiagLines();
bool diagContains(const QString& text);

struct ScanRun {
    bool done = false;
    std::optional<ScannerController::ScanOutcome> outcome;
    std::optional<ScannerError> error;
};

// Keeps the shared sharpen queue busy until released (at the latest when destroyed). A scan
// that has ended returns only after the queue has worked through it, so while this is held
// the test can look at the controller between the end of a scan and its return.
class SharpenQueueHold {
public:
    SharpenQueueHold();
    ~SharpenQueueHold();
    SharpenQueueHold(const SharpenQueueHold&) = delete;
    SharpenQueueHold& operator=(const SharpenQueueHold&) = delete;
    void release();

private:
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    std::shared_ptr<Gate> gate_;
};

// "openingSession, selectingUnit, ..." for failure messages.
QString phaseList(const QList<ScannerPhase>& phases);

// Starts `scan` and records how it ends.
QCoro::Task<> startScan(ScannerController& controller, std::shared_ptr<ScannerDevice> device, bool duplex, int dpi,
                        std::optional<QString> out, std::shared_ptr<ScanRun> run);

} // namespace vantry::test
