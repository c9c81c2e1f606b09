#include "views/RecountView.h"

#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/batch/CaptureViewModel.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/RecountCorrectionSheet.h"
#include "views/RecountHeader.h"
#include "views/RecountPrintingRow.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakeWebAuthSession.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/CaptureSessionKit.h"
#include "support/FakeInventoryService.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "support/WheelTurn.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Endpoint = test::FakeInventoryService::Endpoint;

QCoro::Task<void> noWait(std::chrono::nanoseconds) { co_return; }

// The recount screen over a batch of three confirmed scans (two copies of one printing, one of
// another) and one unresolved scan, signed in to the fake inventory service on loopback,
// which holds the bins B0001 (5 copies) and B0002 (3 copies).
class RecountViewTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler scheduler;
    test::FakeInventoryService service;
    FakeWebAuthSession web;
    std::unique_ptr<AuthService> auth;
    test::FakeAlertPrompter prompter;
    std::shared_ptr<CaptureViewModel> model;
    std::unique_ptr<RecountView> view;

    RecountViewTest()
    {
        ImportLedgerStore::resetForTesting();
        TokenStore::set(QStringLiteral("token"), TokenStore::accessTokenKey);
        auth = std::make_unique<AuthService>(web);
        SettingsStore::standard()->setString(SettingsKeys::apiURL, service.baseURL());
        SettingsStore::standard()->setString(SettingsKeys::workspaceId, QStringLiteral("ws-1"));
        service.bins = {{"B0001", 2, 5, {}}, {"B0002", 1, 3, {}}};
        CaptureViewModel::Collaborators c;
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &scheduler;
        c.pollSleeper = [](std::chrono::nanoseconds interval) { return noWait(interval); };
        model = CaptureViewModel::create(auth.get(), std::move(c));
        test::testAccess(*model).setRows({row(1, "bolt", "Lightning Bolt"), row(2, "bolt", "Lightning Bolt"),
                        row(3, "shock", "Shock"), row(4, {}, {})});
        // Card images from a closed port: rows show without images and nothing leaves the machine.
        view = std::make_unique<RecountView>(
            model, prompter, [] { return std::optional<QString>(" B0001 "); },
            CardRowOptions{std::make_shared<CatalogImageCache>(), QStringLiteral("http://127.0.0.1:9/"), true});
        view->resize(1000, 700);
        view->show();
        settle();
    }
    ~RecountViewTest() override
    {
        view.reset();
        ImportLedgerStore::resetForTesting();
    }

    static CaptureViewModel::Row row(int index, const QString& id, const QString& name)
    {
        CaptureViewModel::Row r;
        r.id = QUuid::createUuid();
        r.card.index = index;
        r.disposition = id.isEmpty() ? Disposition::unresolved : Disposition::autoConfirm;
        if (!id.isEmpty()) {
            Candidate c;
            c.scryfallId = id;
            c.name = name;
            c.setCode = QStringLiteral("m10");
            c.collectorNumber = QString::number(100 + index);
            c.score = 0.99;
            r.candidates = {c};
            r.chosen = c;
        }
        return r;
    }

    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        view->refresher().flush();
    }
    // Runs the event loop until `done` (the model's service calls go over loopback).
    bool until(const std::function<bool()>& done)
    {
        const bool reached = QTest::qWaitFor(done, 20000);
        settle();
        return reached;
    }
    template <class W = QWidget>
    W* find(const char* name) const
    {
        return view->findChild<W*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    bool visible(const char* name) const { return find(name) && find(name)->isVisible(); }
    RecountPrintingRow* printingRow(const QString& name) const
    {
        for (auto* r : view->findChildren<RecountPrintingRow*>())
            if (r->item().name == name)
                return r;
        return nullptr;
    }

    // Types B0001, loads the bins with Return, and files every group into `destination`.
    void planRecount(const QString& destination = QStringLiteral("A1"))
    {
        QLineEdit* field = view->header()->binField();
        field->clear();
        QTest::keyClicks(field, "B0001");
        QTest::keyClick(field, Qt::Key_Return);
        ASSERT_TRUE(until([&] { return model->binList()->inventoryBinsLoadedAt().has_value(); }));
        QTest::mouseClick(find<QPushButton>("selectAllPrintings"), Qt::LeftButton);
        settle();
        QTest::keyClicks(view->destinationField(), destination);
        settle();
        QTest::mouseClick(view->assignButton(), Qt::LeftButton);
        settle();
    }
};

TEST_F(RecountViewTest, PreviewConfirmAndCommitReplaceTheBin)
{
    EXPECT_EQ(text("reviewTitle"), "1 needs attention");
    EXPECT_EQ(text("previewBlockedHint"), "Type the old bin to replace.");
    EXPECT_EQ(view->header()->statusLine()->accessibleName(), "Suggested from scan folder:  B0001 ");
    planRecount();

    EXPECT_EQ(view->header()->statusLine()->accessibleName(), "Confirmed existing bin: 5 active cards");
    EXPECT_EQ(model->recount()->binByPrinting().size(), 2u);
    EXPECT_EQ(find<QLabel>("tallyChip")->text(), "A1 3");
    EXPECT_EQ(text("tallyUnassigned"), "unassigned 0");
    EXPECT_EQ(find<QLabel>("retireHint")->accessibleName(), "Preview to see how many copies in B0001 will retire.");
    ASSERT_TRUE(view->previewButton()->isEnabled());
    EXPECT_FALSE(visible("previewBlockedHint"));

    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));
    ASSERT_EQ(prompter.shown.size(), 1u);
    const AlertSpec& alert = prompter.shown.back();
    EXPECT_EQ(alert.title, "Replace bin(s)?");
    EXPECT_EQ(alert.message, "Recount of B0001:\n\u2022 3 added (new copies)\n\u2022 2 RETIRED as lost ($7.50 basis "
                             "destroyed)\nThis cannot be undone.");
    ASSERT_EQ(alert.buttons.size(), 2u);
    EXPECT_EQ(alert.buttons[0].text, "Cancel");
    EXPECT_EQ(alert.buttons[1].role, AlertSpec::Role::destructive);
    EXPECT_EQ(find<QLabel>("retireHint")->accessibleName(), "2 old rows will RETIRE ($7.50 basis destroyed) \u00B7 3 new");
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1);

    // Cancel only closes; the preview stays and can be confirmed again.
    prompter.answer("Cancel");
    settle();
    EXPECT_FALSE(model->recount()->showReplaceConfirm());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1);
    ASSERT_TRUE(visible("replaceAgain"));
    QTest::mouseClick(find<QPushButton>("replaceAgain"), Qt::LeftButton);
    settle();
    ASSERT_EQ(prompter.shown.size(), 2u);

    // The service now holds the recount in the bin: the header says so once the commit is done.
    service.storeReplacement = [this](auto&, const ScanReplaceRequest& request, auto&) -> std::optional<QString> {
        if (!request.dryRun)
            service.bins = {{"A1", 2, 3, {}}, {"B0001", 1, 1, {}}, {"B0002", 1, 3, {}}};
        return std::nullopt;
    };
    prompter.answer("Replace");
    ASSERT_TRUE(until([&] { return model->recount()->lastRecountResult().has_value(); }));
    EXPECT_TRUE(until([&] {
        return view->header()->statusLine()->accessibleName() == "Confirmed existing bin: 1 active cards";
    })) << view->header()->statusLine()->accessibleName().toStdString();
    EXPECT_EQ(service.calls(Endpoint::importReplace), 2);
    EXPECT_FALSE(service.lastSession().replacements.back().dryRun);
    EXPECT_EQ(service.lastSession().replacements.back().replaceBins, std::vector<QString>{"B0001"});
    // The recounted scans left the batch; the unresolved one stays for review.
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_FALSE(model->rows()[0].chosen);
    EXPECT_TRUE(visible("recountEmptyState"));
    EXPECT_EQ(text("recountStatus"), "Recount done: 2 new, 4 retired \u2192 A1.");
    EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(RecountViewTest, APlanChangedAfterThePreviewIsNotCommitted)
{
    planRecount();
    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));

    // Another copy of a planned printing arrives while the alert is open.
    auto rows = model->rows();
    rows.push_back(row(5, "shock", "Shock"));
    test::testAccess(*model).setRows(rows);
    prompter.answer("Replace");
    ASSERT_TRUE(until([&] { return !model->isWorking(); }));

    EXPECT_EQ(model->importError(), QString("The recount is no longer valid \u2014 rebuild it."));
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1); // the dry run only
    EXPECT_EQ(model->rows().size(), 5u);
    EXPECT_EQ(find<QLabel>("retireHint")->accessibleName(), "Preview to see how many copies in B0001 will retire.");
    EXPECT_FALSE(visible("replaceAgain"));
    EXPECT_TRUE(view->previewButton()->isEnabled());
}

TEST_F(RecountViewTest, FailedPreviewAndACommitStillRunningKeepThePlanAndResumeTheSameSession)
{
    planRecount();
    const auto plan = model->recount()->binByPrinting();

    service.failCall(Endpoint::importReplace, 1, 500, "down");
    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !model->isWorking(); }));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(text("recountStatus"),
              "Recount preview failed \u2014 the inventory service failed; the plan is kept (see banner).");
    EXPECT_TRUE(model->importError().has_value());
    EXPECT_EQ(model->recount()->binByPrinting(), plan);
    ASSERT_TRUE(view->previewButton()->isEnabled());

    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));
    const QString session = *model->recount()->replaceSessionId();
    service.committingPolls = 1000; // answers "committing" past the last poll
    prompter.answer("Replace");
    ASSERT_TRUE(until([&] { return !model->isWorking(); }));
    EXPECT_TRUE(model->importError()->startsWith("recount is still processing"));
    EXPECT_TRUE(model->importError()->contains("may still complete"));
    EXPECT_EQ(model->recount()->binByPrinting(), plan);
    EXPECT_EQ(model->rows().size(), 4u);
    // Only following the sent replacement is offered; a new session could replace twice.
    EXPECT_TRUE(visible("checkRecount"));
    EXPECT_FALSE(visible("replaceAgain"));
    EXPECT_FALSE(view->previewButton()->isEnabled());
    EXPECT_EQ(text("previewBlockedHint"), "The last recount may still complete \u2014 check it first.");

    service.committingPolls = 0;
    const int replacements = service.calls(Endpoint::importReplace);
    QTest::mouseClick(find<QPushButton>("checkRecount"), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return model->recount()->lastRecountResult().has_value(); }));
    EXPECT_EQ(service.calls(Endpoint::importReplace), replacements);
    EXPECT_EQ(model->lastImportedSession(), session);
    EXPECT_EQ(model->rows().size(), 1u);
    EXPECT_FALSE(visible("checkRecount"));
}

TEST_F(RecountViewTest, ReplaceIsOfferedOnlyWhileTheOldBinsAreConfirmed)
{
    struct Case {
        const char* what;
        std::function<void()> unconfirm;
        QString hint;
    };
    const std::vector<Case> cases{
        {"the old bin left the workspace", [&] { service.bins = {{"B0002", 1, 3, {}}}; },
         "Choose an existing old bin."},
        {"no workspace any more",
         [&] {
             SettingsStore::standard()->setString(SettingsKeys::workspaceId, QString());
             service.workspaces.clear();
         },
         "Reload existing bins to confirm the old bin."},
    };
    planRecount();
    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));
    prompter.answer("Cancel");
    settle();
    auto reload = [&] {
        test::waitFor(model->refreshInventoryBins());
        settle();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(visible("replaceAgain"));
        c.unconfirm();
        reload();
        ASSERT_TRUE(model->recount()->pendingPreview()); // the retire warning stays...
        EXPECT_FALSE(visible("replaceAgain")); // ...but the replacement is not offered
        EXPECT_EQ(text("previewBlockedHint"), c.hint);

        // Confirmed again: offered again.
        SettingsStore::standard()->setString(SettingsKeys::workspaceId, QStringLiteral("ws-1"));
        service.workspaces = {{"ws-1", QString("Main shop"), QString("owner")}};
        service.bins = {{"B0001", 2, 5, {}}, {"B0002", 1, 3, {}}};
        reload();
        EXPECT_TRUE(visible("replaceAgain"));
    }

    // The bins lose their confirmation while the alert is open: "Replace" sends nothing.
    QTest::mouseClick(find<QPushButton>("replaceAgain"), Qt::LeftButton);
    settle();
    ASSERT_EQ(prompter.shown.size(), 2u);
    service.bins = {{"B0002", 1, 3, {}}};
    reload();
    prompter.answer("Replace");
    settle();
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1); // the dry run only
    EXPECT_FALSE(model->isWorking());
    EXPECT_FALSE(visible("replaceAgain"));
    EXPECT_EQ(model->rows().size(), 4u);
}

TEST_F(RecountViewTest, OldBinHeaderFollowsWhatIsTyped)
{
    RecountHeader* header = view->header();
    auto* use = find<QPushButton>("useSuggestedBin");
    ASSERT_TRUE(use->isVisible());
    EXPECT_EQ(use->text(), "Use B0001");
    EXPECT_EQ(header->binMenu()->actions().at(0)->text(), "No bins loaded");

    QTest::mouseClick(find<QPushButton>("reloadBins"), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return model->binList()->inventoryBinsLoadedAt().has_value(); }));
    EXPECT_EQ(header->binMenu()->actions().size(), 2);
    EXPECT_FALSE(visible("binChips")); // nothing typed

    struct Case {
        const char* typed;
        QString status;
        int chips;
    };
    const std::vector<Case> cases{
        {"b0001", "Case mismatch? B0001 exists with 5 active cards", 1},
        {"B0001 B0002", "Confirmed 2 existing bins: 8 active cards", 0},
        {"B0001,X/9", "No active bin found for X/9", 0},
        {"b0", "No active bin found for b0", 2},
    };
    for (const Case& c : cases) {
        header->binField()->clear();
        QTest::keyClicks(header->binField(), c.typed);
        settle();
        EXPECT_EQ(model->recount()->replaceBinsText(), c.typed);
        EXPECT_EQ(header->statusLine()->accessibleName(), c.status) << c.typed;
        EXPECT_EQ(int(view->findChildren<QPushButton*>("binChip").size()), c.chips) << c.typed;
        EXPECT_FALSE(view->previewButton()->isEnabled());
    }
    // A chip replaces the whole text; the suggestion button hides once it is the text.
    QTest::mouseClick(view->findChildren<QPushButton*>("binChip").at(0), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->recount()->replaceBinsText(), "B0001");
    EXPECT_EQ(header->binField()->text(), "B0001");
    EXPECT_FALSE(use->isVisible());
}

TEST_F(RecountViewTest, ABinNameWithASpaceIsRecountedAsOneBin)
{
    // The batch imports into "Box 1": before any load the screen already reads it as one bin.
    test::testAccess(*model).setBin("Box 1");
    QLineEdit* field = view->header()->binField();
    field->clear();
    QTest::keyClicks(field, "Box 1");
    settle();
    EXPECT_EQ(find<QLabel>("retireHint")->accessibleName(), "Preview to see how many copies in Box 1 will retire.");

    // The service lists it: confirmed, assignable as a destination, and sent as one bin.
    service.bins.push_back({"Box 1", 1, 4, {}});
    test::testAccess(*model).setBin("A1");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(until([&] { return model->binList()->inventoryBinsLoadedAt().has_value(); }));
    EXPECT_EQ(view->header()->statusLine()->accessibleName(), "Confirmed existing bin: 4 active cards");
    QTest::mouseClick(find<QPushButton>("selectAllPrintings"), Qt::LeftButton);
    settle();
    QTest::keyClicks(view->destinationField(), "Box 1");
    settle();
    ASSERT_TRUE(view->assignButton()->isEnabled());
    QTest::mouseClick(view->assignButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(find<QLabel>("tallyChip")->text(), "Box 1 3");
    ASSERT_TRUE(view->previewButton()->isEnabled());
    QTest::mouseClick(view->previewButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return !prompter.shown.empty(); }));
    EXPECT_TRUE(prompter.shown.back().message.startsWith("Recount of Box 1:\n"));
    const ScanReplaceRequest& sent = service.lastSession().replacements.back();
    EXPECT_EQ(sent.replaceBins, std::vector<QString>{"Box 1"});
    EXPECT_EQ(sent.assignments.front().newBinId, "Box 1");

    // Several bins can still be typed next to it.
    field->clear();
    QTest::keyClicks(field, "Box 1, B0002");
    settle();
    EXPECT_EQ(view->header()->statusLine()->accessibleName(), "Confirmed 2 existing bins: 7 active cards");
}

TEST_F(RecountViewTest, AssignmentBarAndDestinationChips)
{
    planRecount("A1");
    RecountPrintingRow* bolt = printingRow("Lightning Bolt");
    ASSERT_TRUE(bolt);
    EXPECT_EQ(bolt->fixButton()->accessibleName(), "Fix copies");
    EXPECT_EQ(printingRow("Shock")->fixButton()->accessibleName(), "Fix match");
    EXPECT_EQ(bolt->destinationChip()->accessibleName(), "Filed into A1. Click to unassign.");

    // Several bins, or one with a space, in the destination field are refused and kept.
    QTest::mouseClick(bolt->selectButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(find<QPushButton>("selectAllPrintings")->text(), "Clear (1)");
    for (const char* bad : {"A2 A3", "A2, A3", "A 2"}) {
        view->destinationField()->setText(bad);
        settle();
        EXPECT_FALSE(view->assignButton()->isEnabled()) << bad;
        QTest::keyClick(view->destinationField(), Qt::Key_Return);
        settle();
        EXPECT_EQ(model->recount()->binByPrinting().at(bolt->item().itemId), "A1") << bad;
        EXPECT_EQ(view->destinationField()->text(), bad);
    }
    view->destinationField()->setText("a/2");
    QTest::keyClick(view->destinationField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(model->recount()->binByPrinting().at(bolt->item().itemId), "a/2");
    EXPECT_TRUE(view->destinationField()->text().isEmpty());
    EXPECT_TRUE(model->recount()->selectedPrintings().isEmpty());

    // The orange chip unassigns its group; the grey one ignores clicks.
    QTest::mouseClick(bolt->destinationChip(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(model->recount()->binByPrinting().contains(bolt->item().itemId));
    EXPECT_EQ(bolt->destinationChip()->text(), "unassigned");
    QTest::mouseClick(bolt->destinationChip(), Qt::LeftButton);
    settle();
    EXPECT_EQ(text("tallyUnassigned"), "unassigned 2");

    // The finish flip moves the group to its new item id.
    emit bolt->finishPicker()->activated(0); // foil
    settle();
    EXPECT_EQ(model->items().size(), 2u);
    EXPECT_TRUE(printingRow("Lightning Bolt")->item().itemId.endsWith(":foil"));

    QTest::mouseClick(find<QPushButton>("resetAssignments"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(model->recount()->binByPrinting().empty());
    EXPECT_FALSE(visible("resetAssignments"));
    EXPECT_EQ(text("tallyNothing"), "nothing assigned yet");
}

TEST_F(RecountViewTest, CorrectionSheetListsTheGroupsScansUntilClosed)
{
    RecountPrintingRow* bolt = printingRow("Lightning Bolt");
    QTest::mouseClick(bolt->fixButton(), Qt::LeftButton);
    settle();
    RecountCorrectionSheet* sheet = view->correctionSheet();
    ASSERT_TRUE(sheet && sheet->isVisible());
    EXPECT_EQ(sheet->subtitle()->text(), "Lightning Bolt \u00B7 M10 101 \u00B7 nonfoil");
    EXPECT_EQ(sheet->listedRows(), 2);

    // A scan changed to another printing stays; one skipped leaves.
    const auto rows = model->rows();
    Candidate other = *rows[2].chosen;
    model->confirm(rows[0].id, other);
    settle();
    EXPECT_EQ(sheet->listedRows(), 2);
    model->skip(rows[1].id);
    settle();
    EXPECT_EQ(sheet->listedRows(), 1);
    EXPECT_EQ(sheet->subtitle()->text(), "Corrected rows stay here until you close this panel.");
    model->skip(rows[0].id);
    settle();
    EXPECT_EQ(sheet->listedRows(), 0);
    EXPECT_TRUE(sheet->findChild<QWidget*>("correctionEmpty")->isVisible());

    QTest::keyClick(sheet, Qt::Key_Return);
    settle();
    EXPECT_FALSE(view->correctionItemId());
    EXPECT_TRUE(view->correctionRowIds().isEmpty());
    EXPECT_FALSE(view->correctionSheet());
}

TEST_F(RecountViewTest, TheWheelScrollsPastAPrintingsFinishUntilTheUserFocusesIt)
{
    // Enough printings for the list to scroll.
    auto rows = model->rows();
    for (int i = 0; i < 20; ++i)
        rows.push_back(row(10 + i, QStringLiteral("card%1").arg(i), QStringLiteral("Card %1").arg(i)));
    test::testAccess(*model).setRows(rows);
    settle();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QScrollBar* scroll = find<QScrollArea>("printingList")->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    RecountPrintingRow* bolt = printingRow("Lightning Bolt");
    const QString itemId = bolt->item().itemId;

    test::turnWheel(bolt->finishPicker(), -1);
    settle();
    EXPECT_GT(scroll->value(), 0) << "the list scrolled instead";
    ASSERT_EQ(printingRow("Lightning Bolt")->item().itemId, itemId);

    scroll->setValue(0);
    bolt->finishPicker()->setFocus(Qt::MouseFocusReason);
    test::turnWheel(bolt->finishPicker(), -1);
    settle();
    EXPECT_NE(printingRow("Lightning Bolt")->item().itemId, itemId);
}

} // namespace
} // namespace vantry
