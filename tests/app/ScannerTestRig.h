#pragma once

#include "app/ScannerController.h"
#include "core/CaptureLog.h"
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

#include <memory>

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

// Starts `scan` and records how it ends.
QCoro::Task<> startScan(ScannerController& controller, std::shared_ptr<ScannerDevice> device, bool duplex, int dpi,
                        std::optional<QString> out, std::shared_ptr<ScanRun> run);

} // namespace vantry::test
