#include "app/recount/RecountState.h"

#include "app/batch/CaptureViewModel.h"

namespace vantry {

RecountState RecountState::of(const CaptureViewModel& model, const std::optional<QString>& suggestedReplaceBin)
{
    RecountState s;
    s.items = model.items();
    s.replaceBinsText = model.recount()->replaceBinsText();
    s.inventoryBins = model.binList()->inventoryBins();
    s.knownBins = model.recount()->knownBinNames();
    if (suggestedReplaceBin && !suggestedReplaceBin->trimmed().isEmpty())
        s.knownBins.push_back(suggestedReplaceBin->trimmed());
    s.binsLoaded = model.binList()->inventoryBinsLoadedAt().has_value();
    s.inventoryBinsError = model.binList()->inventoryBinsError();
    s.isLoadingInventoryBins = model.binList()->isLoadingInventoryBins();
    s.isWorking = model.isWorking();
    s.assignedTotal = model.replaceTally().assignedTotal();
    s.pendingPreview = model.recount()->pendingPreview();
    s.commitPending = model.recount()->pendingRecountCommit().has_value();
    return s;
}

} // namespace vantry
