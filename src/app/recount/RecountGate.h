#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/recount/RecountState.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry::RecountGate {

// Rows with no chosen printing: unresolved first, then review, then auto; batch order within.
std::vector<CaptureViewModel::Row> reviewRows(const std::vector<CaptureViewModel::Row>& rows);

// The old bins as typed: split at commas and white space, each name once; a known bin with a
// space or comma inside stays one name.
std::vector<QString> oldBins(const RecountState& state);
// The loaded bin whose label equals `name` exactly (case and spaces count).
std::optional<InventoryBinSummary> exactBin(const std::vector<InventoryBinSummary>& bins, const QString& name);
// Old bins without an exact bin; empty until bins were loaded once.
std::vector<QString> missingReplaceBins(const RecountState& state);
bool replaceBinsAreConfirmed(const RecountState& state);
bool canPreview(const RecountState& state);
// "Replace…" and the confirmation's "Replace" are offered: a preview is pending and everything
// a preview needs still holds (old bins confirmed, cards assigned, nothing running).
bool canCommit(const RecountState& state);
// Why "Preview recount" is off, first reason first; empty when only a running operation holds it.
QString previewBlockedHint(const RecountState& state);

// Up to 12 loaded bins for the menu and chips: all in list order for an empty text, else those
// containing the text, prefix matches first, then more copies, then by label.
std::vector<InventoryBinSummary> binSuggestions(const std::vector<InventoryBinSummary>& bins, const QString& text);

// The confirmation alert's message for the pending preview and the old bins.
QString replaceConfirmMessage(const std::optional<ScanReplaceResult>& preview, const std::vector<QString>& oldBins);

// The destination field names exactly one bin: non-blank, and no comma or white space inside
// unless it is one of the known bins (text such as "A2 A3" is taken for two bins, not one).
bool isSingleBinName(const QString& text, const std::vector<QString>& knownBins);
// "Assign" is on: something selected and one destination bin typed.
bool canAssign(int selectedCount, const QString& destination, const std::vector<QString>& knownBins);

} // namespace vantry::RecountGate
