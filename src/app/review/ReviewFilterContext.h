#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/review/CaptureFilters.h"

#include <optional>
#include <vector>

namespace vantry {

// The filters that actually apply to the review list: a stored chip selection counts only
// while some row of the batch still has that value. The stored selection itself is kept, so
// it applies again as soon as such a row comes back.
struct ReviewFilterContext {
    std::optional<ScanFinish> finish;
    std::optional<QString> setCode; // lower case
    std::optional<CaptureFilters::RowKind> kind;
    bool needsReview = false;
    bool reviewed = false;

    bool operator==(const ReviewFilterContext&) const = default;

    // One pass over every row of the batch, hidden or not.
    static ReviewFilterContext make(const std::vector<CaptureViewModel::Row>& rows, const CaptureFilters& filters);
};

} // namespace vantry
