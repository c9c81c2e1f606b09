#pragma once

#include <QString>

#include <optional>

namespace vantry {

// A scan folder whose name extends its parent folder's name is a child split off the
// parent's bin: "A1/A1-2" suggests moving cards from bin A1 to bin A1-2.
struct SplitChildBinSuggestion {
    QString oldBin; // the parent folder's name
    QString newBin; // the scan folder's own name

    bool operator==(const SplitChildBinSuggestion&) const = default;
};

std::optional<SplitChildBinSuggestion> splitChildBinSuggestion(const QString& scanFolderPath);

// The bin a recount of this folder replaces: the parent's bin for a split child, else the
// folder's own name; none when the name is blank.
std::optional<QString> suggestedReplaceBinName(const QString& scanFolderPath);

} // namespace vantry
