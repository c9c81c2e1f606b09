#include "app/capture/UnimportedWork.h"

#include "app/batch/BatchSession.h"
#include "app/batch/SessionStore.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QDir>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Row = CaptureViewModel::Row;

// A scanned row in `folder`; confirmed rows may carry a price.
Row scanned(int index, bool confirmed, const QString& folder, std::optional<double> price = std::nullopt)
{
    Row row = test::CaptureSessionKit::row(index, confirmed);
    row.card.front = folder + QStringLiteral("/scan_%1.png").arg(index);
    if (row.chosen)
        row.chosen->priceUSD = price;
    return row;
}

Row handAdded(int index, bool confirmed = true, std::optional<double> price = std::nullopt)
{
    Row row = scanned(index, confirmed, QString(), price);
    row.card.front = QStringLiteral("manual://%1").arg(index);
    row.isManual = true;
    return row;
}

// Only confirmed and hand-added rows count; their scans' folders are named once each.
TEST(UnimportedWork, CountsConfirmedAndHandAddedRows)
{
    struct Case {
        const char* what;
        std::vector<Row> rows;
        UnimportedWork work;
    };
    const std::vector<Case> cases = {
        {"no rows", {}, {}},
        {"rows that need review only", {scanned(1, false, "/s/B1"), scanned(2, false, "/s/B1")}, {}},
        {"confirmed rows of two folders",
         {scanned(1, true, "/s/B1", 2.5), scanned(2, false, "/s/B9"), scanned(3, true, "/s/B2", 0.25),
          scanned(4, true, "/s/B1")},
         {3, 0, 2.75, 1, {"/s/B1", "/s/B2"}}},
        {"hand-added rows, confirmed or not, have no scan folder",
         {handAdded(1, true, 4.0), handAdded(2, false), scanned(3, true, "/s/B1")},
         {3, 2, 4.0, 1, {"/s/B1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UnimportedWork::of(c.rows), c.work);
    }

    // Clear Folder counts only the rows with a page in its folder, front or back.
    Row back = scanned(5, true, "/s/B2");
    back.card.back = QStringLiteral("/s/B1/scan_6.png");
    const std::vector<Row> rows{scanned(1, true, "/s/B1"), scanned(2, false, "/s/B1"), scanned(3, true, "/s/B1/sub"),
                                handAdded(4), back};
    EXPECT_EQ(UnimportedWork::ofScansIn(rows, "/s/B1/"), (UnimportedWork{2, 0, 0, 1, {"/s/B1", "/s/B2"}}));
    EXPECT_FALSE(UnimportedWork::ofScansIn(rows, "/s/B3").any());
}

// What each question says: how many cards of what worth, what the command does to them and
// where their scans stay.
TEST(UnimportedWork, QuestionsSayWhatIsLostAndWhereTheScansStay)
{
    test::TempHome home;
    const QString pictures = QDir::homePath() + "/Pictures";
    struct Case {
        const char* what;
        AlertSpec alert;
        QString title;
        QString message;
    };
    const UnimportedWork batch{120, 0, 917.7, 1, {pictures + "/B0012"}};
    const UnimportedWork mixed{13, 3, 0, 2, {pictures + "/B0012", "/media/scans/B0013"}};
    const UnimportedWork byHand{1, 1, 0.5, 1, {}};
    const UnimportedWork spread{4, 0, 0, 3, {"/a", "/b", "/c"}};
    const std::vector<Case> cases = {
        {"closing a tab", UnimportedWorkAlerts::closeTab(batch, "B0012", {}),
         "Close \"B0012\" with 120 cards not imported?",
         "This tab holds 120 confirmed cards worth $917.70, not imported yet. Closing the tab drops them from the "
         "review list. The scans stay in ~/Pictures/B0012."},
        {"closing a tab of one card added by hand", UnimportedWorkAlerts::closeTab(byHand, "New batch", {}),
         "Close \"New batch\" with 1 card not imported?",
         "This tab holds 1 card added by hand worth $0.50, not imported yet. Closing the tab drops it from the "
         "review list. The card added by hand has no scan."},
        {"quitting with two tabs", UnimportedWorkAlerts::quit(mixed, {}), "Quit with 13 cards not imported?",
         "2 batch tabs hold 13 confirmed cards (3 added by hand), not imported yet. Quitting drops them. The scans stay "
         "in ~/Pictures/B0012 and /media/scans/B0013; cards added by hand have no scan."},
        {"quitting with one tab", UnimportedWorkAlerts::quit(batch, {}), "Quit with 120 cards not imported?",
         "A batch tab holds 120 confirmed cards worth $917.70, not imported yet. Quitting drops them. The scans stay "
         "in ~/Pictures/B0012."},
        {"signing out", UnimportedWorkAlerts::signOut(spread, {}), "Sign out with 4 cards not imported?",
         "3 batch tabs hold 4 confirmed cards, not imported yet. They stay in their tabs while Vantry Capture runs "
         "and are there when you sign in again; quitting drops them. The scans stay in /a and 2 other folders."},
        {"signing out with one card", UnimportedWorkAlerts::signOut(byHand, {}), "Sign out with 1 card not imported?",
         "A batch tab holds 1 card added by hand worth $0.50, not imported yet. It stays in its tab while Vantry "
         "Capture runs and is there when you sign in again; quitting drops it. The card added by hand has no scan."},
        {"clearing the folder", UnimportedWorkAlerts::clearFolder(batch, "B0012", "Archived-20260301-090005", {}),
         "Clear \"B0012\" with 120 cards not imported?",
         "This tab holds 120 confirmed cards worth $917.70, not imported yet, scanned into B0012. Clear Folder "
         "moves the scans into B0012/Archived-20260301-090005; the rows stay in this tab and import from there."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.alert.title.toStdString(), c.title.toStdString());
        EXPECT_EQ(c.alert.message.toStdString(), c.message.toStdString());
    }
}

// Every question puts Cancel first and makes it the default; only the other button acts.
TEST(UnimportedWork, QuestionsDefaultToCancelAndOnlyTheOtherButtonActs)
{
    const UnimportedWork work{2, 0, 0, 1, {"/s/B1"}};
    struct Case {
        std::function<AlertSpec(std::function<void()>, std::function<void()>)> make;
        QString name;
        QString button;
    };
    const std::vector<Case> cases = {
        {[&](auto go, auto stay) { return UnimportedWorkAlerts::closeTab(work, "B1", go, stay); }, "closeTabAlert",
         "Close Tab"},
        {[&](auto go, auto stay) { return UnimportedWorkAlerts::quit(work, go, stay); }, "quitAlert", "Quit"},
        {[&](auto go, auto stay) { return UnimportedWorkAlerts::signOut(work, go, stay); }, "signOutAlert",
         "Sign Out"},
        {[&](auto go, auto stay) { return UnimportedWorkAlerts::clearFolder(work, "B1", "Archived-1", go, stay); },
         "clearFolderAlert", "Clear Folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        int proceeded = 0, cancelled = 0;
        const AlertSpec alert = c.make([&] { ++proceeded; }, [&] { ++cancelled; });
        EXPECT_EQ(alert.name, c.name);
        ASSERT_EQ(alert.buttons.size(), 2u);
        EXPECT_EQ(alert.buttons[0].text, "Cancel");
        EXPECT_EQ(alert.buttons[0].role, AlertSpec::Role::cancel);
        EXPECT_EQ(alert.buttons[1].text, c.button);
        EXPECT_EQ(alert.buttons[1].role, AlertSpec::Role::destructive);
        EXPECT_EQ(AlertButtonPlan::of(alert.buttons), (AlertButtonPlan{{0, 1}, 0, 0}));
        alert.buttons[0].action();
        EXPECT_EQ(proceeded, 0);
        alert.buttons[1].action();
        EXPECT_EQ(proceeded, 1);
        EXPECT_EQ(cancelled, 1);
    }
}

// A tab closes at once when nothing would be lost, otherwise only after "Close Tab".
TEST(UnimportedWork, ClosingATabAsksOnlyWhenWorkWouldBeLost)
{
    test::TempHome home;
    test::CaptureSessionKit kit;
    test::FakeAlertPrompter prompter;
    SessionStore store(kit.factory());
    // The last tab never closes, and is not asked about.
    test::testAccess(*store.sessions()[0]->viewModel()).setRows({scanned(1, true, "/s/B1")});
    closeTabAsking(store, store.sessions()[0]->id(), prompter);
    EXPECT_EQ(store.sessions().size(), 1u);
    EXPECT_TRUE(prompter.shown.empty());

    BatchSession& review = store.addSession();
    test::testAccess(*review.viewModel()).setRows({scanned(2, false, "/s/B2")});
    closeTabAsking(store, review.id(), prompter);
    EXPECT_EQ(store.sessions().size(), 1u);
    EXPECT_TRUE(prompter.shown.empty());

    BatchSession& confirmed = store.addSession();
    const QUuid id = confirmed.id();
    test::testAccess(*confirmed.viewModel()).setRows({scanned(3, true, "/s/B3", 1.0)});
    closeTabAsking(store, id, prompter);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Close \"New batch\" with 1 card not imported?");
    EXPECT_EQ(store.sessions().size(), 2u);
    ASSERT_TRUE(prompter.answer("Cancel"));
    EXPECT_EQ(store.sessions().size(), 2u);
    closeTabAsking(store, id, prompter);
    ASSERT_TRUE(prompter.answer("Close Tab"));
    ASSERT_EQ(store.sessions().size(), 1u);
    EXPECT_NE(store.sessions()[0]->id(), id);
}

} // namespace
} // namespace vantry
