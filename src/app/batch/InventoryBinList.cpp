#include "app/batch/InventoryBinList.h"

#include "app/batch/CaptureViewModel.h"
#include "app/batch/PublishedValue.h"
#include "app/settings/CaptureConfig.h"

#include <algorithm>

namespace vantry {

InventoryBinList::InventoryBinList(CaptureViewModel& model) : QObject(&model), model_(model) {}

InventoryBinList::~InventoryBinList() = default;

void InventoryBinList::setInventoryBins(std::vector<InventoryBinSummary> value)
{
    publish(this, inventoryBins_, std::move(value), &InventoryBinList::inventoryBinsChanged);
}

void InventoryBinList::setInventoryBinsLoadedAt(std::optional<QDateTime> value)
{
    publish(this, inventoryBinsLoadedAt_, std::move(value), &InventoryBinList::inventoryBinsLoadedAtChanged);
}

void InventoryBinList::setInventoryBinsError(std::optional<QString> value)
{
    publish(this, inventoryBinsError_, std::move(value), &InventoryBinList::inventoryBinsErrorChanged);
}

void InventoryBinList::setIsLoadingInventoryBins(bool value)
{
    publish(this, isLoadingInventoryBins_, value, &InventoryBinList::isLoadingInventoryBinsChanged);
}

QCoro::Task<> InventoryBinList::refresh()
{
    if (isLoadingInventoryBins_)
        co_return;
    const auto self = model_.shared_from_this();
    if (model_.config().workspaceId.isEmpty())
        co_await model_.resolveDefaultWorkspace();
    const QString workspaceId = model_.config().workspaceId;
    if (workspaceId.isEmpty()) {
        setInventoryBins({});
        setInventoryBinsLoadedAt(std::nullopt);
        setInventoryBinsError(QStringLiteral("No workspace configured."));
        co_return;
    }
    if (isLoadingInventoryBins_)
        co_return; // another load started while the workspace was looked up
    setIsLoadingInventoryBins(true);
    const VantryClient client = model_.makeClient(workspaceId);
    std::optional<std::vector<InventoryBinSummary>> bins;
    std::optional<QString> failure;
    try {
        bins = co_await client.listInventoryBins();
    } catch (const std::exception& e) {
        failure = CaptureViewModel::describeImportFailure(e);
    }
    if (failure) {
        setInventoryBinsError(failure);
        setIsLoadingInventoryBins(false);
        co_return;
    }
    // Case-insensitive by label; equal labels keep the service's order.
    std::stable_sort(bins->begin(), bins->end(), [](const InventoryBinSummary& a, const InventoryBinSummary& b) {
        return QString::compare(a.label, b.label, Qt::CaseInsensitive) < 0;
    });
    setInventoryBins(std::move(*bins));
    setInventoryBinsLoadedAt(QDateTime::currentDateTimeUtc());
    setInventoryBinsError(std::nullopt);
    setIsLoadingInventoryBins(false);
}

} // namespace vantry
