#include "views/RootCaptureView.h"

#include "app/batch/BatchSession.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/BatchTabStrip.h"
#include "views/CaptureView.h"
#include "views/ReviewList.h"
#include "core/intake/FolderWatcher.h"
#include "platform/FakePreferenceDomains.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace vantry {
namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class RootCaptureViewTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    SessionStore store{kit.factory()};
    RootCaptureView root{store, {SettingsStore::standard(), &kit.scheduler, &preferences, &prompter, {}}};

    RootCaptureViewTest()
    {
        root.resize(900, 700);
        root.show();
        settle();
    }

    QList<BatchTabChip*> chips() { return root.tabStrip()->chips(); }
    BatchTabChip* chipOf(const BatchSession& session)
    {
        for (BatchTabChip* chip : chips())
            if (chip->sessionID() == session.id())
                return chip;
        return nullptr;
    }
    static bool closable(BatchTabChip* chip) { return chip->findChild<QToolButton*>("tabClose")->isVisible(); }
    static QString badge(BatchTabChip* chip)
    {
        auto* label = chip->findChild<QLabel*>("tabBadge");
        return label->isVisible() ? label->text() : QString();
    }
};

TEST_F(RootCaptureViewTest, PlusAddsASelectedNewBatchAndCloseButtonsComeWithTheSecondTab)
{
    ASSERT_EQ(chips().size(), 1);
    EXPECT_FALSE(closable(chips()[0]));
    // A middle click on the only tab does nothing.
    QTest::mouseClick(chips()[0], Qt::MiddleButton);
    settle();
    EXPECT_EQ(store.sessions().size(), 1u);

    QTest::mouseClick(root.tabStrip()->findChild<QToolButton*>("addTab"), Qt::LeftButton);
    settle();
    ASSERT_EQ(chips().size(), 2);
    EXPECT_EQ(store.selectedID(), store.sessions()[1]->id());
    EXPECT_EQ(chips()[1]->findChild<QLabel*>("tabTitle")->text(), "New batch");
    EXPECT_TRUE(closable(chips()[0]));
    EXPECT_TRUE(closable(chips()[1]));
}

TEST_F(RootCaptureViewTest, MiddleClickAndCloseButtonCloseTabsAndTheNeighbourIsSelected)
{
    store.addSession();
    store.addSession();
    settle();
    const QUuid first = store.sessions()[0]->id(), middle = store.sessions()[1]->id(),
                last = store.sessions()[2]->id();

    // An unselected tab closes and the selection stays.
    store.setSelectedID(middle);
    settle();
    QTest::mouseClick(chipOf(*store.sessions()[0]), Qt::MiddleButton);
    settle();
    ASSERT_EQ(store.sessions().size(), 2u);
    EXPECT_EQ(store.selectedID(), middle);
    EXPECT_EQ(chips().size(), 2);

    // The selected tab's close button: the tab in its place takes the selection.
    QTest::mouseClick(chipOf(*store.sessions()[0])->findChild<QToolButton*>("tabClose"), Qt::LeftButton);
    settle();
    ASSERT_EQ(store.sessions().size(), 1u);
    EXPECT_EQ(store.selectedID(), last);
    EXPECT_EQ(root.captureView()->state().session().id(), last);
    EXPECT_FALSE(closable(chips()[0]));
    Q_UNUSED(first);
}

// A tab holding confirmed cards not imported yet closes only after the user agreed, by its
// close button or a middle click; one holding none closes at once.
TEST_F(RootCaptureViewTest, ClosingATabWithCardsNotImportedAsksFirst)
{
    BatchSession& work = *store.sessions()[0];
    work.setScanFolderPath("/scans/B0012");
    test::testAccess(*work.viewModel()).setRows(
        {test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, false)});
    BatchSession& unread = store.addSession();
    test::testAccess(*unread.viewModel()).setRows({test::CaptureSessionKit::row(3, false)});
    store.addSession();
    settle();

    QTest::mouseClick(chipOf(work), Qt::MiddleButton);
    settle();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown.back().name, "closeTabAlert");
    EXPECT_EQ(prompter.shown.back().title, "Close \"B0012\" with 1 card not imported?");
    ASSERT_TRUE(prompter.answer("Cancel"));
    settle();
    EXPECT_EQ(store.sessions().size(), 3u);

    QTest::mouseClick(chipOf(work)->findChild<QToolButton*>("tabClose"), Qt::LeftButton);
    settle();
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(store.sessions().size(), 3u);
    ASSERT_TRUE(prompter.answer("Close Tab"));
    settle();
    ASSERT_EQ(store.sessions().size(), 2u);
    EXPECT_EQ(chips().size(), 2);

    // Rows that still need review are not the dealer's work yet.
    QTest::mouseClick(chipOf(unread), Qt::MiddleButton);
    settle();
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(store.sessions().size(), 1u);
}

TEST_F(RootCaptureViewTest, BadgesFollowBackgroundTabsLive)
{
    BatchSession& background = *store.sessions()[0];
    store.addSession();
    settle();
    ASSERT_NE(store.selectedID(), background.id());
    EXPECT_EQ(badge(chipOf(background)), QString());

    test::testAccess(*background.viewModel()).setRows(

        {test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, false)});
    settle();
    EXPECT_EQ(badge(chipOf(background)), "1");
    test::testAccess(*background.viewModel()).setRows({test::CaptureSessionKit::row(1, true)});
    settle();
    EXPECT_EQ(badge(chipOf(background)), QString());

    background.setScanFolderPath("/scans/B0042");
    settle();
    EXPECT_EQ(chipOf(background)->findChild<QLabel*>("tabTitle")->text(), "B0042");
}

TEST_F(RootCaptureViewTest, SelectingATabRebuildsTheWindowWithFreshFiltersAndTheSameRows)
{
    BatchSession& first = *store.sessions()[0];
    test::testAccess(*first.viewModel()).setRows(
        {test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, false)});
    settle();
    CaptureView* before = root.captureView();
    before->state().filters.searchText = "bolt";
    before->state().filters.hideReviewed = false;

    store.addSession();
    settle();
    QTest::mouseClick(chipOf(first), Qt::LeftButton);
    settle();

    CaptureView* after = root.captureView();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(&after->state().session(), &first);
    EXPECT_EQ(after->state().filters, CaptureFilters{});
    EXPECT_EQ(first.viewModel()->rows().size(), 2u);
    EXPECT_EQ(after->findChild<ReviewList*>("reviewList")->visibleIds().size(), 2u);
}

TEST_F(RootCaptureViewTest, ABackgroundTabKeepsTakingInScansAndStopsHealingWithItsWindow)
{
    const QString domain = "com.apple.Image_Capture", key = "IK_DetectSeparateItemsScanMode";
    preferences.makeAvailable(domain);
    BatchSession& first = *store.sessions()[0];
    store.addSession();
    settle();
    // Only the shown window's heartbeat runs: one write per 300 s.
    preferences.set(domain, key, 1);
    kit.scheduler.advance(std::chrono::seconds(300));
    EXPECT_EQ(preferences.value(domain, key), 0);
    EXPECT_EQ(preferences.writes(), 1);

    // What the first tab's watcher tells still reaches its model.
    emit first.watcher().duplicatesDropped(1);
    EXPECT_EQ(first.viewModel()->toast(), QString("Dropped 1 duplicate scan"));

    // A closed tab's batch is gone from the strip; the others keep their rows.
    test::testAccess(*store.sessions()[1]->viewModel()).setRows({test::CaptureSessionKit::row(7, false)});
    store.close(first.id());
    settle();
    EXPECT_EQ(chips().size(), 1);
    EXPECT_EQ(store.sessions()[0]->viewModel()->rows().size(), 1u);
}

} // namespace
} // namespace vantry
