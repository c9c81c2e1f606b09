#include "views/CaptureView.h"

#include "app/batch/BatchSession.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/CaptureBanner.h"
#include "views/CardRow.h"
#include "views/ReviewList.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakePreferenceDomains.h"
#include "support/CaptureSessionKit.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"
#include "support/RecordingResolver.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace vantry {
namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class CaptureViewTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::CaptureSessionKit kit;
    FakePreferenceDomains preferences;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<BatchSession> session = kit.make();
    CaptureViewModel& model = *session->viewModel();

    std::unique_ptr<CaptureView> open()
    {
        auto view = std::make_unique<CaptureView>(
            *session, CaptureWindowState::Services{SettingsStore::standard(), &kit.scheduler, &preferences,
                                                   &prompter, {}});
        view->resize(900, 700);
        view->show();
        settle();
        return view;
    }
    static QString area(CaptureView& view) { return view.findChild<QStackedWidget*>("mainArea")->currentWidget()->objectName(); }
    static bool shows(CaptureView& view, const char* name)
    {
        auto* widget = view.findChild<QWidget*>(name);
        return widget && widget->isVisible();
    }
};

TEST_F(CaptureViewTest, HealingOnAppearShowsTheBannerAndDismissingClearsIt)
{
    preferences.set("com.apple.Image_Capture", "IK_DetectSeparateItemsScanMode", 1);
    auto view = open();
    ASSERT_TRUE(shows(*view, "healBanner"));
    auto* banner = view->findChild<CaptureBanner*>("healBanner");
    EXPECT_EQ(banner->titleLabel()->text(), "Auto-fixed a scanner setting");
    QTest::mouseClick(banner->dismissButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model.prefHealMessage(), std::nullopt);
    EXPECT_FALSE(shows(*view, "healBanner"));
}

TEST_F(CaptureViewTest, AHeldImportOffersItsTwoChoicesAndNoDismissal)
{
    ImportIntentStore::resetForTesting();
    ImportLedgerStore::resetForTesting();
    ImportIntentStore& intents = ImportIntentStore::instance();
    auto hold = [&](const QString& session, std::vector<QString> keys) {
        ImportIntent intent;
        intent.workspaceId = "ws-1";
        intent.keys = std::move(keys);
        intent.printings = int(intent.keys.size());
        const QUuid id = intents.reserve(intent);
        EXPECT_EQ(test::waitFor(intents.markSent(id, session)), std::nullopt);
        intents.markUnknown(id);
        return id;
    };
    const QUuid first = hold("sess-1", {"a"});
    const QUuid second = hold("sess-2", {"b", "c"});
    auto view = open();
    auto banners = view->findChildren<CaptureBanner*>("heldImportBanner");
    ASSERT_EQ(banners.size(), 2);
    EXPECT_EQ(banners[0]->titleLabel()->text(), "Import outcome unknown");
    EXPECT_TRUE(banners[0]->bodyLabel()->text().contains("scan session sess-1"));
    EXPECT_FALSE(banners[0]->dismissButton()->isVisible());

    // Sending again asks first, Cancel before the destructive choice.
    QTest::mouseClick(banners[0]->findChild<QPushButton*>("heldSendAgain"), Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].name, "sendAgainAlert");
    EXPECT_EQ(prompter.shown[0].buttons[0].role, AlertSpec::Role::cancel);
    ASSERT_TRUE(prompter.answer("Send Again"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.statusMessage().contains("no longer held"); }, 5000))
        << model.statusMessage().toStdString();
    EXPECT_FALSE(intents.find(first));

    settle();
    banners = view->findChildren<CaptureBanner*>("heldImportBanner");
    ASSERT_EQ(banners.size(), 1);
    QTest::mouseClick(banners[0]->findChild<QPushButton*>("heldMarkImported"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.statusMessage().startsWith("Recorded scan session sess-2"); }, 5000))
        << model.statusMessage().toStdString();
    EXPECT_FALSE(intents.find(second));
    EXPECT_TRUE(ImportLedgerStore::load().contains("c"));
    settle();
    EXPECT_TRUE(view->findChildren<CaptureBanner*>("heldImportBanner").isEmpty());
    ImportIntentStore::resetForTesting();
    ImportLedgerStore::resetForTesting();
}

TEST_F(CaptureViewTest, EmptyStateIntroFollowsDirectScanning)
{
    auto view = open();
    EXPECT_EQ(area(*view), "emptyState");
    auto* intro = view->findChild<QLabel*>("emptyIntro");
    EXPECT_TRUE(intro->text().startsWith("Scanning is on."));
    EXPECT_TRUE(shows(*view, "scannerSettingsCard"));
    SettingsStore::standard()->setBoolean(SettingsKeys::directScanEnabled, false);
    settle();
    EXPECT_TRUE(intro->text().startsWith("This app doesn't drive"));
    EXPECT_TRUE(shows(*view, "scannerSettingsCard")); // the card stays whatever the switch says
    EXPECT_TRUE(view->findChild<QLabel*>("emptyFolderLine")->text().startsWith("Tip:"));
    session->setScanFolderPath("/scans/B0005");
    settle();
    EXPECT_TRUE(view->findChild<QLabel*>("emptyFolderLine")->text().endsWith("Scan folder: B0005"));
}

TEST_F(CaptureViewTest, MainAreaAndBannersFollowTheModel)
{
    auto view = open();
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, false, false, true)});
    settle();
    EXPECT_EQ(area(*view), "rowsArea");
    ASSERT_TRUE(shows(*view, "scanOrientationBanner"));
    EXPECT_EQ(view->findChild<CaptureBanner*>("scanOrientationBanner")->titleLabel()->text(),
              "1 card had no readable text");
    QTest::mouseClick(view->findChild<CaptureBanner*>("scanOrientationBanner")->dismissButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(shows(*view, "scanOrientationBanner"));

    test::testAccess(model).setImportError("HTTP 500: workspace locked");
    test::testAccess(model).setReplaceMode(true);
    settle();
    EXPECT_EQ(area(*view), "recountArea");
    EXPECT_FALSE(shows(*view, "footer"));
    auto* error = view->findChild<CaptureBanner*>("errorBanner");
    ASSERT_TRUE(error && error->isVisible());
    EXPECT_TRUE(error->bodyLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);

    test::testAccess(model).setLastRecountResult(CaptureViewModel::LastRecountResult{{"B0003", "B0004"}, 5, 2});
    settle();
    const auto bins = view->findChild<CaptureBanner*>("recountBanner")->findChildren<QPushButton*>("continueBin");
    ASSERT_EQ(bins.size(), 2);
    QTest::mouseClick(bins[1], Qt::LeftButton);
    settle();
    EXPECT_FALSE(model.recount()->replaceMode());
    EXPECT_EQ(model.bin(), "B0004");
    EXPECT_EQ(model.recount()->lastRecountResult(), std::nullopt);
    EXPECT_EQ(area(*view), "rowsArea");
}

TEST_F(CaptureViewTest, TabRunsThroughTheWindowInScreenOrderWhateverWasBuiltLater)
{
    auto view = open();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    // Banners, chips and rows all come after the window was built.
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, false, false, true)});
    test::testAccess(model).setImportError("HTTP 500: workspace locked");
    settle();

    QStringList stops;
    QWidget* start = view->findChild<QWidget*>("recountToggle");
    start->setFocus(Qt::TabFocusReason);
    for (QWidget* at = start; stops.size() < 60; at = QApplication::focusWidget()) {
        QString name = at->objectName();
        if (name == "bannerDismiss")
            name = at->parentWidget()->objectName();
        if (!stops.isEmpty() && name == "recountToggle")
            break;
        stops << name;
        QTest::keyClick(at, Qt::Key_Tab);
    }
    const auto at = [&stops](const char* name) { return stops.indexOf(QString::fromLatin1(name)); };
    for (const char* name : {"scanOrientationBanner", "markReviewed", "chipAll", "reviewSearch", "reviewList",
                             "thumbnail", "errorBanner", "binField", "importButton"})
        EXPECT_GE(at(name), 0) << name << " is not reached: " << stops.join(' ').toStdString();
    const std::vector<const char*> order{"recountToggle", "scanOrientationBanner", "markReviewed", "chipAll",
                                         "reviewSearch",  "reviewList",            "thumbnail",    "errorBanner",
                                         "binField",      "importButton"};
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(at(order[i - 1]), at(order[i])) << stops.join(' ').toStdString();
}

TEST_F(CaptureViewTest, EmptyStateGivesEveryWrappedTextTheHeightItNeeds)
{
    // The scanner settings card stood centred in the column and was measured at the column's
    // width, so its lines were drawn over each other.
    for (const int width : {700, 1100, 1600}) {
        auto view = open();
        view->resize(width, 760);
        settle();
        ASSERT_EQ(area(*view), "emptyState");
        for (QLabel* label : view->findChild<QWidget*>("emptyState")->findChildren<QLabel*>()) {
            if (!label->isVisible() || !label->wordWrap() || label->text().isEmpty())
                continue;
            EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                << width << " " << label->objectName().toStdString();
        }
    }
}

TEST_F(CaptureViewTest, BulkBarCountsAndSignsOffTheShownRows)
{
    auto view = open();
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, false), test::CaptureSessionKit::row(2, true),
                   test::CaptureSessionKit::row(3, true, true)});
    settle();
    EXPECT_EQ(view->findChild<QLabel*>("bulkLabel")->text(), "Set all 2 confirmed to:");
    auto* mark = view->findChild<QPushButton*>("markReviewed");
    ASSERT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->accessibleName(), "Mark 1 reviewed");
    QTest::mouseClick(mark, Qt::LeftButton);
    settle();
    EXPECT_TRUE(model.rows()[1].reviewed);
    EXPECT_FALSE(model.rows()[0].reviewed);
    EXPECT_FALSE(mark->isVisible());

    QTest::mouseClick(view->findChild<QPushButton*>("bulkFoil"), Qt::LeftButton);
    EXPECT_EQ(model.rows()[1].chosen->finish, ScanFinish::foil);
    EXPECT_EQ(model.rows()[2].chosen->finish, ScanFinish::foil);
}

TEST_F(CaptureViewTest, AnIngestPublishingOftenRedrawsOncePerTurn)
{
    auto view = open();
    const int before = view->refresher().runs();
    for (int i = 0; i < 50; ++i) {
        auto rows = model.rows();
        rows.push_back(test::CaptureSessionKit::row(i, false));
        test::testAccess(model).setRows(std::move(rows));
        test::testAccess(model).setStatusMessage(QString("Scanning %1").arg(i));
    }
    settle();
    EXPECT_EQ(view->refresher().runs(), before + 1);
    EXPECT_EQ(view->findChild<ReviewList*>("reviewList")->visibleIds().size(), 50u);
}

TEST_F(CaptureViewTest, RowsLeavingTheBatchTakeTheirWidgetsAndOpenPopoverWithThem)
{
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, true), test::CaptureSessionKit::row(2, true)});
    auto view = open();
    auto* list = view->findChild<ReviewList*>("reviewList");
    QPointer<CardRow> row = list->rowWidget(model.rows()[1].id);
    ASSERT_TRUE(row);
    row->showZoom();
    settle();
    QPointer<QWidget> popover = row->zoomPopover();
    ASSERT_TRUE(popover && popover->isVisible());

    // An import took every row: the window shows its empty state and the popover is gone.
    test::testAccess(model).setRows({});
    settle();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(area(*view), "emptyState");
    EXPECT_TRUE(row.isNull());
    EXPECT_TRUE(popover.isNull());
}

TEST_F(CaptureViewTest, ToastShowsWhileTheModelHoldsOneAndHidesNoControl)
{
    test::testAccess(model).setRows({test::CaptureSessionKit::row(1, true)});
    auto view = open();
    model.showToast("Imported 120 cards → Northside Cards, bin B0012");
    settle();
    auto* toast = view->findChild<QLabel*>("toast");
    ASSERT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->accessibleName(), "Imported 120 cards → Northside Cards, bin B0012");
    for (QWidget* control : view->findChildren<QWidget*>()) {
        if (!control->isVisible() || (control->focusPolicy() & Qt::TabFocus) != Qt::TabFocus)
            continue;
        const QRect where(control->mapTo(view.get(), QPoint(0, 0)), control->size());
        EXPECT_FALSE(where.intersects(toast->geometry())) << control->objectName().toStdString();
    }
    kit.scheduler.advance(CaptureViewModel::toastDuration);
    settle();
    EXPECT_FALSE(toast->isVisible());
}

// --- Review by keyboard -----------------------------------------------------------------------

// A control that goes while it has the focus (a confirmed row's candidates, a skipped row, a row
// a filter drops) hands it on along the window's chain; after the last row that was the footer's
// bin field, its text selected, and the next key typed replaced the bin.

// Rows from a pattern, one letter a row in scan order: N needs review (two candidates, "Card <i>"
// first), C confirmed. All are review rows, so the list keeps scan order.
std::vector<CaptureViewModel::Row> rowsOf(const char* pattern)
{
    std::vector<CaptureViewModel::Row> rows;
    for (int i = 0; pattern[i]; ++i) {
        auto row = test::CaptureSessionKit::row(i, pattern[i] == 'C');
        if (pattern[i] == 'N')
            row.candidates = {test::makeCandidate(QString("card-%1").arg(i), QString("Card %1").arg(i), "tst",
                                                  QString::number(i)),
                              test::makeCandidate(QString("other-%1").arg(i), QString("Other %1").arg(i), "oth", "1")};
        row.disposition = Disposition::review;
        rows.push_back(std::move(row));
    }
    return rows;
}

class CaptureViewKeyboardTest : public CaptureViewTest {
protected:
    std::unique_ptr<CaptureView> view;

    void openWith(const char* pattern, const std::function<void(CaptureFilters&)>& filter = {})
    {
        test::testAccess(model).setRows(rowsOf(pattern));
        model.editBin("Box 1");
        CaptureWindowState::Services services{SettingsStore::standard(), &kit.scheduler, &preferences, &prompter, {}};
        services.catalogImageBase = "http://127.0.0.1:9/"; // images fail at once, never leave the machine
        view = std::make_unique<CaptureView>(*session, std::move(services));
        view->resize(900, 700);
        view->show();
        settle();
        if (filter) {
            filter(view->state().filters);
            view->refresh();
            settle();
        }
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    // Where the keyboard focus is: "<control>@<scan index>" inside a row ("candidate1@2" is the
    // second candidate of the row of scan 2), else the control's name.
    static QString where()
    {
        QWidget* at = QApplication::focusWidget();
        if (!at)
            return "nowhere";
        QString name = at->objectName();
        if (name == "candidateButton")
            name = QString("candidate%1").arg(at->parentWidget()->layout()->indexOf(at));
        for (QWidget* w = at; w; w = w->parentWidget())
            if (auto* row = qobject_cast<CardRow*>(w); row && row->row())
                return name + "@" + QString::number(row->row()->card.index);
        return name;
    }
    // Puts the focus on `start` as a click would, then presses Tab (Shift+Tab when `back`)
    // until it reaches `control`.
    static bool tabTo(CaptureView& view, const char* start, const QString& control, bool back)
    {
        view.findChild<QWidget*>(start)->setFocus(Qt::MouseFocusReason);
        for (int i = 0; i < 80 && where() != control; ++i) {
            QTest::keyClick(QApplication::focusWidget(), back ? Qt::Key_Backtab : Qt::Key_Tab,
                            back ? Qt::ShiftModifier : Qt::NoModifier);
            settle();
        }
        return where() == control;
    }
    // Whether the focused control stands whole in the list's view.
    static bool inView(CaptureView& view)
    {
        const QWidget* viewport = view.findChild<ReviewList*>("reviewList")->viewport();
        const QWidget* at = QApplication::focusWidget();
        return viewport->rect().contains(QRect(at->mapTo(viewport, QPoint(0, 0)), at->size()));
    }
    static void press(Qt::Key key)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        settle();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        settle();
    }
    // A user typing on after the action: whatever has the focus takes it, never the bin.
    void typeOn()
    {
        QTest::keyClicks(QApplication::focusWidget(), "x");
        settle();
        EXPECT_EQ(model.bin().toStdString(), "Box 1");
    }
};

TEST_F(CaptureViewKeyboardTest, EachReviewActionByKeyboardLeavesTheFocusOnTheNextRowThatNeedsIt)
{
    const auto needsReview = [](CaptureFilters& f) { f.needsReviewFilter = true; };
    const auto search = [](CaptureFilters& f) { f.searchText = "card 2"; };
    struct Case {
        const char* name;
        const char* rows;
        std::function<void(CaptureFilters&)> filter;
        const char* start; // what the user clicked before reaching for the keyboard
        bool back;         // Shift+Tab from there instead of Tab
        const char* control;
        Qt::Key key;
        const char* focus; // where the focus is after the action
    };
    const std::vector<Case> cases{
        {"candidate reached with Tab from the search bar, Space", "NCN", {}, "reviewSearch", false, "candidate0@0",
         Qt::Key_Space, "candidate0@2"},
        {"candidate reached with Tab, Return", "NCN", {}, "reviewSearch", false, "candidate1@0", Qt::Key_Return,
         "candidate0@2"},
        {"candidate of the last row, Return", "NCN", {}, "reviewSearch", false, "candidate0@2", Qt::Key_Return,
         "candidate0@0"},
        {"Skip, Space", "NCN", {}, "reviewSearch", false, "skip@0", Qt::Key_Space, "candidate0@2"},
        {"Skip on the last row, Return", "NCN", {}, "reviewSearch", false, "skip@2", Qt::Key_Return,
         "candidate0@0"},
        {"candidate reached with Shift+Tab from the bin, Space", "NCN", {}, "binField", true, "candidate1@2",
         Qt::Key_Space, "candidate0@0"},
        {"confirmed row leaves the Needs review list", "NCN", needsReview, "reviewSearch", false, "candidate0@0",
         Qt::Key_Space, "candidate0@2"},
        {"last row of the Needs review list leaves it", "NCN", needsReview, "reviewSearch", false, "candidate0@2",
         Qt::Key_Space, "candidate0@0"},
        {"the last row that needs review under Needs review", "CNC", needsReview, "reviewSearch", false,
         "candidate0@1", Qt::Key_Return, "reviewList"},
        {"Change on a confirmed row", "NCN", {}, "reviewSearch", false, "change@1", Qt::Key_Space, "candidate0@1"},
        {"marking reviewed hides the row", "NCC", {}, "binField", true, "statusBadge@2", Qt::Key_Space,
         "candidate0@0"},
        {"skipping the only row the search shows", "NCN", search, "reviewSearch", false, "skip@2", Qt::Key_Space,
         "resetFilters"},
        {"skipping the batch's last row", "N", {}, "reviewSearch", false, "skip@0", Qt::Key_Space, "emptyState"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openWith(c.rows, c.filter);
        ASSERT_TRUE(tabTo(*view, c.start, c.control, c.back)) << where().toStdString();
        press(c.key);
        EXPECT_EQ(where().toStdString(), c.focus);
        typeOn();
        view.reset();
        settle();
    }
}

TEST_F(CaptureViewKeyboardTest, SpaceRowAfterRowReviewsTheWholeListWithoutTheMouse)
{
    struct Case {
        const char* name;
        const char* start;
        bool back;
        const char* control;
        std::vector<const char*> focus; // after each Space
    };
    const std::vector<Case> cases{
        {"down from the search bar", "reviewSearch", false, "candidate0@0",
         {"candidate0@1", "candidate0@3", "candidate0@4", "reviewList"}},
        // Shift+Tab comes in at the lowest row laid out, the one just below the view.
        {"up from the bin", "binField", true, "candidate1@3",
         {"candidate0@4", "candidate0@0", "candidate0@1", "reviewList"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openWith("NNCNN");
        ASSERT_TRUE(tabTo(*view, c.start, c.control, c.back)) << where().toStdString();
        for (const char* next : c.focus) {
            press(Qt::Key_Space);
            ASSERT_EQ(where().toStdString(), next);
            if (QString(next).startsWith("candidate"))
                EXPECT_TRUE(inView(*view)) << next;
        }
        for (const auto& row : model.rows())
            EXPECT_TRUE(row.chosen);
        typeOn();
        view.reset();
        settle();
    }
}

TEST_F(CaptureViewKeyboardTest, RotateByKeyboardKeepsTheFocusInItsRowWhileItIsReadAgain)
{
    // The button is disabled while the row is read again.
    openWith("NCN");
    ASSERT_TRUE(tabTo(*view, "reviewSearch", "rotate@2", false)) << where().toStdString();
    press(Qt::Key_Space);
    EXPECT_EQ(where().toStdString(), "candidate0@2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.rows()[2].isReanalyzing; }, 5000));
    settle();
    EXPECT_EQ(where().toStdString(), "candidate0@2");
    typeOn();
}

TEST_F(CaptureViewKeyboardTest, PagingTheFocusedRowOutOfTheListKeepsTheFocusInIt)
{
    openWith("NNNNNNNNNN");
    ASSERT_TRUE(tabTo(*view, "reviewSearch", "thumbnail@0", false)) << where().toStdString();
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_PageDown);
    EXPECT_EQ(where().toStdString(), "reviewList");
    typeOn();
}

} // namespace
} // namespace vantry
