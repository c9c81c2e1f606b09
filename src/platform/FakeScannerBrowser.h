#pragma once

#include "platform/ScannerBrowser.h"

#include <QList>

namespace vantry {

// A browser over a fixed list of devices: starting it reports every device.
class FakeScannerBrowser final : public ScannerBrowser {
    Q_OBJECT
public:
    explicit FakeScannerBrowser(QList<std::shared_ptr<ScannerDevice>> devices = {});

    void start() override;
    void stop() override { running_ = false; }
    bool isRunning() const { return running_; }

    void addDevice(std::shared_ptr<ScannerDevice> device);
    void removeDevice(const std::shared_ptr<ScannerDevice>& device);

private:
    QList<std::shared_ptr<ScannerDevice>> devices_;
    bool running_ = false;
};

} // namespace vantry
