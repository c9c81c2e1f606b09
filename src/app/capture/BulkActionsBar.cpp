#include "app/capture/BulkActionsBar.h"

namespace vantry {

BulkActionsBar BulkActionsBar::of(const std::vector<CaptureViewModel::Row>& rows,
                                  const std::vector<CaptureViewModel::Row>& visibleRows)
{
    BulkActionsBar bar;
    for (const auto& row : rows)
        if (row.chosen)
            ++bar.confirmedCount;
    for (const auto& row : visibleRows)
        if (row.chosen && !row.reviewed)
            bar.toMarkReviewed << row.id;
    return bar;
}

} // namespace vantry
