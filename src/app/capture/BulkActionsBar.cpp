#include "app/capture/BulkActionsBar.h"

namespace vantry {

BulkActionsBar BulkActionsBar::of(const std::vector<CaptureViewModel::Row>& rows,
                                  const std::vector<CaptureViewModel::Row>& visibleRows)
{
    std::vector<const CaptureViewModel::Row*> pointers;
    pointers.reserve(visibleRows.size());
    for (const auto& row : visibleRows)
        pointers.push_back(&row);
    return of(rows, pointers);
}

BulkActionsBar BulkActionsBar::of(const std::vector<CaptureViewModel::Row>& rows,
                                  const std::vector<const CaptureViewModel::Row*>& visibleRows)
{
    BulkActionsBar bar;
    for (const auto& row : rows)
        if (row.chosen)
            ++bar.confirmedCount;
    for (const auto* row : visibleRows)
        if (row->chosen && !row->reviewed)
            bar.toMarkReviewed << row->id;
    return bar;
}

} // namespace vantry
