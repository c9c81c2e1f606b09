#pragma once

#include "core/card/ScanItemPayload.h"
#include "core/service/InventoryBinSummary.h"
#include "core/service/ScanReplace.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry {

class CaptureViewModel;

// What the recount screen reads of the batch model, taken at once so that every derived
// text and enabled state is a pure function of it.
struct RecountState {
    std::vector<ScanItemPayload> items;
    QString replaceBinsText;
    std::vector<InventoryBinSummary> inventoryBins;
    // Bins a text may name with a space or comma inside (see ScanReplacePlanner): the loaded
    // bins, the batch's import bin and the scan folder's suggestion.
    std::vector<QString> knownBins;
    bool binsLoaded = false; // a load succeeded once
    std::optional<QString> inventoryBinsError;
    bool isLoadingInventoryBins = false;
    bool isWorking = false;
    int assignedTotal = 0;
    std::optional<ScanReplaceResult> pendingPreview;
    // A commit was sent and its outcome is not known: only "Replace" may settle it.
    bool commitPending = false;

    static RecountState of(const CaptureViewModel& model, const std::optional<QString>& suggestedReplaceBin);
};

} // namespace vantry
