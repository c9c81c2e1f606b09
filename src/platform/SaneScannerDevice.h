#pragma once

#include "platform/ScannerDevice.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <functional>
#include <memory>

namespace vantry {

class SaneWorker;

// Option values set just before a page starts (a seam for driving a test device).
using SanePageOptions = std::function<QList<QPair<QByteArray, QByteArray>>(int pageNumber)>;

struct SaneDeviceIdentity {
    QByteArray name; // SANE device name, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
};

// A SANE device. The session is a SANE handle; the document feeder is found among the
// "source" option's entries; pages are read on the SANE worker thread.
class SaneScannerDevice final : public ScannerDevice {
    Q_OBJECT
public:
    SaneScannerDevice(std::shared_ptr<SaneWorker> worker, SaneDeviceIdentity identity,
                      SanePageOptions pageOptions = {});
    ~SaneScannerDevice() override;

    QString name() const override;
    QString id() const override;
    bool isScanner() const override;

    void requestOpenSession() override;
    void requestCloseSession() override;
    QList<ScannerUnitType> availableUnitTypes() const override { return unitTypes_; }
    void requestSelectUnit(ScannerUnitType type) override;
    std::optional<ScannerUnitInfo> selectedUnit() const override { return selected_; }
    void requestScan(const ScanRequest& request) override;
    void cancelScan() override;

    struct State;

private:
    std::shared_ptr<SaneWorker> worker_;
    SaneDeviceIdentity identity_;
    std::shared_ptr<State> state_;
    QList<ScannerUnitType> unitTypes_;
    std::optional<ScannerUnitInfo> selected_;
    int scansRequested_ = 0;
};

} // namespace vantry
