#include "app/review/FinishBarCounts.h"

#include "app/review/ReviewRows.h"

namespace vantry {

FinishBarCounts FinishBarCounts::of(const std::vector<CaptureViewModel::Row>& rows, bool hideReviewed)
{
    FinishBarCounts counts;
    for (const auto& row : rows) {
        if (row.reviewed) {
            ++counts.reviewed;
            if (hideReviewed)
                continue;
        }
        ++counts.total;
        if (ReviewRows::needsReview(row)) {
            ++counts.needsReview;
        } else {
            switch (row.chosen->finish) {
            case ScanFinish::foil: ++counts.foil; break;
            case ScanFinish::nonfoil: ++counts.nonfoil; break;
            case ScanFinish::etched: ++counts.etched; break;
            case ScanFinish::surge: ++counts.surge; break;
            }
        }
        if (ReviewRows::isArt(row))
            ++counts.art;
        if (row.isToken)
            ++counts.token;
        if (row.isOpenMultiFeed())
            ++counts.multiFeed;
    }
    return counts;
}

} // namespace vantry
