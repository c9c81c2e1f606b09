#include "app/recount/RecountState.h"

#include "app/batch/CaptureViewModel.h"

namespace vantry {

RecountState RecountState::of(const CaptureViewModel& model, const std::optional<QString>& suggestedReplaceBin)
{
    RecountState s;
    s.items = model.items();
    s.replaceBinsText = model.replaceBinsText();
    s.inventoryBins = model.inventoryBins();
    s.knownBins = model.knownBinNames();
    if (suggestedReplaceBin && !suggestedReplaceBin->trimmed().isEmpty())
        s.knownBins.push_back(suggestedReplaceBin->trimmed());
    s.binsLoaded = model.inventoryBinsLoadedAt().has_value();
    s.inventoryBinsError = model.inventoryBinsError();
    s.isLoadingInventoryBins = model.isLoadingInventoryBins();
    s.isWorking = model.isWorking();
    s.assignedTotal = model.replaceTally().assignedTotal();
    s.pendingPreview = model.pendingPreview();
    s.commitPending = model.pendingRecountCommit().has_value();
    return s;
}

} // namespace vantry
