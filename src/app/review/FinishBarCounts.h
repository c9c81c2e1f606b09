#pragma once

#include "app/batch/CaptureViewModel.h"

#include <vector>

namespace vantry {

// The counts on the review chips. They ignore the chips, the set filter and the search; rows
// hidden as reviewed count only under `reviewed`, which counts every reviewed row.
struct FinishBarCounts {
    qint64 total = 0;
    qint64 foil = 0;
    qint64 nonfoil = 0;
    qint64 etched = 0;
    qint64 surge = 0;
    qint64 art = 0;
    qint64 token = 0;
    qint64 multiFeed = 0;
    qint64 needsReview = 0;
    qint64 reviewed = 0;

    bool operator==(const FinishBarCounts&) const = default;

    static FinishBarCounts of(const std::vector<CaptureViewModel::Row>& rows, bool hideReviewed);
};

} // namespace vantry
