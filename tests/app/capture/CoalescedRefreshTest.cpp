#include "app/capture/CoalescedRefresh.h"

#include "app/batch/CaptureViewModel.h"
#include "support/CaptureSessionKit.h"
#include "app/batch/BatchSession.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace vantry {
namespace {

TEST(CoalescedRefresh, ManyChangesInOneTurnRefreshOnceOnTheNextTurn)
{
    test::CaptureSessionKit kit;
    auto session = kit.make();
    CaptureViewModel& model = *session->viewModel();
    QObject owner;
    int refreshes = 0;
    qint64 seenRows = -1;
    auto* refresh = new CoalescedRefresh(&owner, [&] {
        ++refreshes;
        seenRows = static_cast<qint64>(model.rows().size());
    });
    refresh->follow(&model, &CaptureViewModel::rowsChanged);
    refresh->follow(&model, &CaptureViewModel::statusMessageChanged);

    for (int i = 0; i < 20; ++i) {
        auto rows = model.rows();
        rows.push_back(test::CaptureSessionKit::row(i, false));
        test::testAccess(model).setRows(std::move(rows));
        test::testAccess(model).setStatusMessage(QString::number(i));
    }
    EXPECT_EQ(refreshes, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(seenRows, 20);

    test::testAccess(model).setStatusMessage("again");
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 2);
}

TEST(CoalescedRefresh, APendingRefreshDiesWithItsOwner)
{
    bool ran = false;
    {
        QObject owner;
        auto* refresh = new CoalescedRefresh(&owner, [&] { ran = true; });
        refresh->request();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace vantry
