#pragma once

#include "platform/SaneScannerDevice.h"
#include "platform/ScannerBrowser.h"

#include <QTimer>

#include <chrono>
#include <map>
#include <memory>

namespace vantry {

class SaneWorker;
class SanePoster;

// Lists SANE devices by polling sane_get_devices while started; a device is known by its
// SANE name, so the same name keeps the same device object.
class SaneScannerBrowser final : public ScannerBrowser {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds pollInterval{2000};
        SanePageOptions pageOptions; // handed to every device
    };

    SaneScannerBrowser();
    explicit SaneScannerBrowser(Options options);
    ~SaneScannerBrowser() override;

    void start() override;
    void stop() override;

    // True once at least one poll has finished since start (tests).
    bool hasPolled() const { return polled_; }

private:
    void poll();
    void apply(const QList<SaneDeviceIdentity>& found);

    Options options_;
    std::shared_ptr<SaneWorker> worker_;
    QTimer timer_;
    bool running_ = false;
    bool inFlight_ = false;
    bool polled_ = false;
    std::shared_ptr<SanePoster> poster_;
    std::map<QByteArray, std::shared_ptr<SaneScannerDevice>> known_;
};

} // namespace vantry
