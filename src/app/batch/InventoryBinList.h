#pragma once

#include "core/service/InventoryBinSummary.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <QCoroTask>

#include <optional>
#include <vector>

namespace vantry {

class CaptureViewModel;
namespace test {
class CaptureViewModelTestAccess;
}

// The bins of the batch's workspace, as the recount screen offers them, and their loading
// state. Owned by its CaptureViewModel and read-only outside it; every published value
// announces each assignment. Main thread only.
class InventoryBinList : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<vantry::InventoryBinSummary> inventoryBins READ inventoryBins NOTIFY inventoryBinsChanged)
    Q_PROPERTY(std::optional<QDateTime> inventoryBinsLoadedAt READ inventoryBinsLoadedAt NOTIFY
                   inventoryBinsLoadedAtChanged)
    Q_PROPERTY(std::optional<QString> inventoryBinsError READ inventoryBinsError NOTIFY inventoryBinsErrorChanged)
    Q_PROPERTY(bool isLoadingInventoryBins READ isLoadingInventoryBins NOTIFY isLoadingInventoryBinsChanged)

public:
    explicit InventoryBinList(CaptureViewModel& model);
    ~InventoryBinList() override;

    const std::vector<InventoryBinSummary>& inventoryBins() const { return inventoryBins_; }
    const std::optional<QDateTime>& inventoryBinsLoadedAt() const { return inventoryBinsLoadedAt_; }
    const std::optional<QString>& inventoryBinsError() const { return inventoryBinsError_; }
    bool isLoadingInventoryBins() const { return isLoadingInventoryBins_; }

    // Loads the bins of the workspace, sorted by label; one load at a time.
    QCoro::Task<> refresh();

signals:
    void inventoryBinsChanged();
    void inventoryBinsLoadedAtChanged();
    void inventoryBinsErrorChanged();
    void isLoadingInventoryBinsChanged();

private:
    friend class test::CaptureViewModelTestAccess;

    void setInventoryBins(std::vector<InventoryBinSummary> value);
    void setInventoryBinsLoadedAt(std::optional<QDateTime> value);
    void setInventoryBinsError(std::optional<QString> value);
    void setIsLoadingInventoryBins(bool value);

    CaptureViewModel& model_;
    std::vector<InventoryBinSummary> inventoryBins_;
    std::optional<QDateTime> inventoryBinsLoadedAt_;
    std::optional<QString> inventoryBinsError_;
    bool isLoadingInventoryBins_ = false;
};

} // namespace vantry
