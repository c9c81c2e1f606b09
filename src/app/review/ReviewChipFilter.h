#pragma once

#include <QSet>

#include <optional>

namespace vantry::ReviewChipFilter {

// A chip selection applies only while some row still has that value; otherwise it is
// ignored (but kept by the window, so it applies again when such a row returns).
template<typename T>
std::optional<T> effective(const std::optional<T>& selection, const QSet<T>& present)
{
    if (selection && present.contains(*selection))
        return selection;
    return std::nullopt;
}

inline bool effectiveNeedsReview(bool chipOn, bool anyNeedsReview) { return chipOn && anyNeedsReview; }
inline bool effectiveReviewed(bool chipOn, bool anyReviewed) { return chipOn && anyReviewed; }

template<typename Collection>
bool shouldShowSetBar(const Collection& presentSets)
{
    return !presentSets.empty();
}

// The "Reviewed" chip shows reviewed rows only; otherwise "hide reviewed" hides them.
inline bool passesReviewedGate(bool rowReviewed, bool showingReviewedChip, bool hideReviewed)
{
    if (showingReviewedChip)
        return rowReviewed;
    return !(hideReviewed && rowReviewed);
}

} // namespace vantry::ReviewChipFilter
