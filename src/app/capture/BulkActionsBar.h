#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QSet>
#include <QUuid>

#include <vector>

namespace vantry {

// The counts of the bulk-actions bar: the finish buttons act on every confirmed row of the
// batch, the sign-off only on the confirmed, unreviewed rows on screen.
struct BulkActionsBar {
    qint64 confirmedCount = 0;     // whole batch, filters ignored
    QList<QUuid> toMarkReviewed;   // visible, confirmed, not reviewed, in display order

    bool showsFinishButtons() const { return confirmedCount >= 1; }
    bool showsMarkReviewed() const { return !toMarkReviewed.isEmpty(); }

    static BulkActionsBar of(const std::vector<CaptureViewModel::Row>& rows,
                             const std::vector<CaptureViewModel::Row>& visibleRows);
    static BulkActionsBar of(const std::vector<CaptureViewModel::Row>& rows,
                             const std::vector<const CaptureViewModel::Row*>& visibleRows);
};

} // namespace vantry
