#pragma once

#include "app/recount/RecountLine.h"
#include "core/card/ScanItemPayload.h"
#include "core/service/InventoryBinSummary.h"
#include "core/service/ScanReplace.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry::RecountTexts {

// Header
QString binMenuEntry(const InventoryBinSummary& bin);                 // "B0001 · 57 active"
QString binMenuEmpty(bool anyBinLoaded);                              // "No bins loaded" / "No matching bins"
QString binChipHelp(const InventoryBinSummary& bin);                  // "57 active cards, 3 distinct SKUs."
QString useSuggestionTitle(const QString& bin);                       // "Use A1"

// Review section and printing rows
QString reviewHeader(qint64 count);                                   // "1 needs attention" / "3 need attention"
QString reviewHint();
QString selectionButton(qint64 selected);                             // "Select all" / "Clear (2)"
QString assignHelp(bool anythingSelected, const QString& destination, const std::vector<QString>& knownBins);
QString printingSubtitle(const ScanItemPayload& item);               // "M10 146 · ×3"
QString fixButton(int count);                                         // "Fix match" / "Fix copies"
QString selectHelp(bool selected);
QString destinationHelp(const QString& bin);                          // "Filed into A1. Click to unassign."

// Tally, retire hint, empty state
QString tallyChip(const QString& bin, int count);                     // "A1 3"
QString unassignedCount(int count);                                   // "unassigned 2"
RecountLine retireHint(const std::optional<ScanReplaceResult>& preview, const std::vector<QString>& oldBins);
QStringList emptySteps();

// Correction sheet
QString correctionSubtitle(const std::vector<ScanItemPayload>& items, const std::optional<QString>& itemId);

} // namespace vantry::RecountTexts
