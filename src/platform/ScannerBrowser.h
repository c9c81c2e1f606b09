#pragma once

#include "platform/ScannerDevice.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vantry {

// Finds scanners. Signals are emitted on the browser's thread (the main thread).
class ScannerBrowser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ScannerBrowser() override = default;

    virtual void start() = 0;
    virtual void stop() = 0;

signals:
    void deviceAdded(std::shared_ptr<vantry::ScannerDevice> device, bool moreComing);
    void deviceRemoved(std::shared_ptr<vantry::ScannerDevice> device, bool moreGoing);
};

using ScannerBrowserFactory = std::function<std::unique_ptr<ScannerBrowser>()>;

} // namespace vantry
