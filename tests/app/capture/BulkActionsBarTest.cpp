#include "app/capture/BulkActionsBar.h"

#include "support/CaptureSessionKit.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using test::CaptureSessionKit;

TEST(BulkActionsBar, FinishCountCoversTheBatchAndSignOffOnlyTheConfirmedUnreviewedRowsShown)
{
    const auto open = CaptureSessionKit::row(1, false);
    const auto confirmed = CaptureSessionKit::row(2, true);
    const auto reviewed = CaptureSessionKit::row(3, true, true);
    const auto hiddenConfirmed = CaptureSessionKit::row(4, true);
    const std::vector<CaptureViewModel::Row> all{open, confirmed, reviewed, hiddenConfirmed};

    struct Case {
        const char* name;
        std::vector<CaptureViewModel::Row> rows, visible;
        qint64 confirmed;
        QList<QUuid> toMark;
    };
    const std::vector<Case> cases{
        {"nothing confirmed: hint only", {open}, {open}, 0, {}},
        {"filters hide a confirmed row", all, {open, confirmed, reviewed}, 3, {confirmed.id}},
        {"all confirmed rows reviewed: finish buttons, no sign-off", {reviewed}, {reviewed}, 1, {}},
        {"every row filtered out", all, {}, 3, {}},
        {"display order kept", all, {hiddenConfirmed, confirmed}, 3, {hiddenConfirmed.id, confirmed.id}},
    };
    for (const Case& c : cases) {
        const BulkActionsBar bar = BulkActionsBar::of(c.rows, c.visible);
        EXPECT_EQ(bar.confirmedCount, c.confirmed) << c.name;
        EXPECT_EQ(bar.toMarkReviewed, c.toMark) << c.name;
        EXPECT_EQ(bar.showsFinishButtons(), c.confirmed >= 1) << c.name;
        EXPECT_EQ(bar.showsMarkReviewed(), !c.toMark.isEmpty()) << c.name;
    }
}

} // namespace
} // namespace vantry
