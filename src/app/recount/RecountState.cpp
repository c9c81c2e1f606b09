#include "app/recount/RecountState.h"

#include "app/batch/CaptureViewModel.h"

namespace vantry {

RecountState RecountState::of(const CaptureViewModel& model)
{
    RecountState s;
    s.items = model.items();
    s.replaceBinsText = model.replaceBinsText();
    s.inventoryBins = model.inventoryBins();
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
