#include "platform/FakeScannerBrowser.h"

namespace vantry {

FakeScannerBrowser::FakeScannerBrowser(QList<std::shared_ptr<ScannerDevice>> devices) : devices_(std::move(devices)) {}

void FakeScannerBrowser::start()
{
    if (running_)
        return;
    running_ = true;
    for (int i = 0; i < devices_.size(); ++i)
        emit deviceAdded(devices_[i], i + 1 < devices_.size());
}

void FakeScannerBrowser::addDevice(std::shared_ptr<ScannerDevice> device)
{
    devices_.push_back(device);
    if (running_)
        emit deviceAdded(device, false);
}

void FakeScannerBrowser::removeDevice(const std::shared_ptr<ScannerDevice>& device)
{
    devices_.removeAll(device);
    if (running_)
        emit deviceRemoved(device, false);
}

} // namespace vantry
