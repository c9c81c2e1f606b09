#pragma once

#include "app/recount/RecountLine.h"
#include "app/recount/RecountState.h"

#include <QString>

#include <optional>

namespace vantry::RecountBinStatus {

// The line under the old-bin field: whether the typed bins are confirmed, and if not why.
RecountLine of(const RecountState& state, const std::optional<QString>& suggestedReplaceBin);

// The "Use …" button's bin: the trimmed suggestion when it is not blank and differs from the
// trimmed old-bin text; none hides the button.
std::optional<QString> useSuggestion(const std::optional<QString>& suggestedReplaceBin, const QString& replaceBinsText);

// Suggestion chips show while something is typed and some bin matches; at most this many.
bool showsChips(const RecountState& state);
constexpr int chipLimit = 8;

// Equal ignoring letter case and diacritics, without a locale.
bool equalsFolded(const QString& a, const QString& b);

} // namespace vantry::RecountBinStatus
