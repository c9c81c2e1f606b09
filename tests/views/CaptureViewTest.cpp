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

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
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

} // namespace
} // namespace vantry
