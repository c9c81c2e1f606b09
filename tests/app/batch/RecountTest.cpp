#include "InventoryFixture.h"

#include "BatchTestKit.h"
#include "app/batch/ImportTexts.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakeFileLayer.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QFile>
#include <QTest>

namespace vantry {
namespace {


using Endpoint = test::FakeInventoryService::Endpoint;

class RecountTest : public test::InventoryFixture {
protected:
    std::shared_ptr<CaptureViewModel> model = makeModel();

    // Cards 1, 1 (a second copy), 2 and one needing review; 1 and 2 filed into "A1 new".
    void planRecount()
    {
        ingestMarkers(*model, {1, 2, 91});
        // A second physical copy of card 1 (its own scan, same printing).
        auto rows = model->rows();
        auto copy = rows[0];
        copy.id = QUuid::createUuid();
        copy.contentHash = QStringLiteral("copy-hash");
        copy.scanIdentityHash = QStringLiteral("copy-identity");
        rows.push_back(copy);
        test::testAccess(*model).setRows(rows);
        test::testAccess(*model).setReplaceBinsText("A1");
        model->selectAllPrintings();
        model->assignSelectedPrintings("  A1 new ");
    }
};

TEST_F(RecountTest, SelectionAndAssignment)
{
    planRecount();
    EXPECT_TRUE(model->recount()->selectedPrintings().isEmpty());
    EXPECT_EQ(model->recount()->binByPrinting(),
              (CaptureViewModel::BinMap{{"card-1:nonfoil", "A1 new"}, {"card-2:nonfoil", "A1 new"}}));
    EXPECT_EQ(model->replaceTally(), (ScanReplaceTally::Result{{{"A1 new", 3}}, 0}));

    model->toggleSelectedPrinting("card-2:nonfoil");
    model->assignSelectedPrintings("   ");
    EXPECT_EQ(model->recount()->selectedPrintings(), QSet<QString>{"card-2:nonfoil"}); // a blank bin changes nothing
    model->assignSelectedPrintings("B2");
    EXPECT_EQ(model->replaceTally(), (ScanReplaceTally::Result{{{"A1 new", 2}, {"B2", 1}}, 0}));
    model->toggleSelectedPrinting("x");
    model->toggleSelectedPrinting("x");
    EXPECT_TRUE(model->recount()->selectedPrintings().isEmpty());
    model->clearAllAssignments();
    EXPECT_TRUE(model->recount()->binByPrinting().empty());
    EXPECT_EQ(model->replaceTally().unassigned, 3);
}

TEST_F(RecountTest, PreviewThenCommitPollsUntilSavedAndRecordsOnlyThePreviewedRows)
{
    planRecount();
    test::waitFor(model->previewReplace());
    ASSERT_EQ(model->recount()->replaceSessionId(), QString("sess-1"));
    ASSERT_TRUE(model->recount()->pendingPreview());
    EXPECT_TRUE(model->recount()->showReplaceConfirm());
    EXPECT_EQ(model->statusMessage(), "Recount preview: 3 new, 2 to retire.");
    EXPECT_TRUE(service.lastSession().replacements.at(0).dryRun);

    service.committingPolls = 2;
    test::waitFor(model->commitReplace());

    EXPECT_EQ(sessionLines().mid(5), QStringList({"POST /scan-sessions/sess-1/import-replace?workspaceId=ws-1",
                                                  "GET /scan-sessions/sess-1?workspaceId=ws-1",
                                                  "GET /scan-sessions/sess-1?workspaceId=ws-1",
                                                  "GET /scan-sessions/sess-1?workspaceId=ws-1"}));
    EXPECT_EQ(*sleeps, (std::vector<std::chrono::nanoseconds>(2, std::chrono::nanoseconds(1'500'000'000))));
    EXPECT_EQ(model->statusMessage(), "Recount done: 2 new, 4 retired \u2192 A1.");
    EXPECT_EQ(model->toast(), QString("Recount: 2 added \u00B7 4 retired \u2192 A1"));
    EXPECT_EQ(model->recount()->lastRecountResult(), (CaptureViewModel::LastRecountResult{{"A1"}, 2, 4}));
    EXPECT_EQ(model->lastImportedSession(), QString("sess-1"));
    // The card that needed review was not part of the recount: it stays, unrecorded.
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_FALSE(model->rows()[0].chosen);
    EXPECT_EQ(ledgerKeys().size(), 2u * 2 + 2);
    EXPECT_TRUE(model->recount()->binByPrinting().empty());
    EXPECT_FALSE(model->recount()->replaceSessionId());
    EXPECT_FALSE(model->isWorking());
}

TEST_F(RecountTest, ACommitRefusesAPlanThatChangedSinceThePreview)
{
    planRecount();
    test::waitFor(model->previewReplace());

    // A scan arrives, confirmed, of a printing already in the plan: more copies than previewed.
    recognizer->answer = [](int, ScanFinish finish) { return test::MarkerRecognizer::defaultAnswer(2, finish); };
    test::writeMarkedScan(scan("05.png"), 95);
    test::waitFor(model->ingest({{5, scan("05.png"), {}}},
                                IngestOptions{.append = true, .showProgress = true, .autoImport = false}));
    ASSERT_EQ(model->rows().size(), 5u);
    const auto requests = service.journal().size();
    test::waitFor(model->commitReplace());
    EXPECT_EQ(model->importError(), QString("The recount is no longer valid \u2014 rebuild it."));
    EXPECT_EQ(service.journal().size(), requests);
    EXPECT_TRUE(ledgerKeys().empty());
    EXPECT_EQ(model->rows().size(), 5u);
    EXPECT_FALSE(model->isWorking());

    // Edits that drop the preview leave nothing to commit.
    test::testAccess(*model).setReplaceBinsText("A1, A2");
    test::waitFor(model->commitReplace());
    EXPECT_EQ(model->importError(), QString("Preview the recount before committing."));
}

TEST_F(RecountTest, UnconfirmingARowDropsThePreviewAndKeepsTheRowOutOfTheRecount)
{
    planRecount();
    test::waitFor(model->previewReplace());
    ASSERT_TRUE(model->recount()->pendingPreview());

    const QUuid card2 = model->rows()[1].id;
    model->unconfirm(card2);
    EXPECT_FALSE(model->recount()->pendingPreview());
    EXPECT_FALSE(model->recount()->replaceSessionId());
    test::waitFor(model->commitReplace());
    EXPECT_EQ(model->importError(), QString("Preview the recount before committing."));
    EXPECT_TRUE(ledgerKeys().empty());

    // A fresh preview plans the confirmed rows only, and the commit records only them.
    test::waitFor(model->previewReplace());
    ASSERT_TRUE(model->recount()->pendingPreview());
    test::waitFor(model->commitReplace());
    EXPECT_EQ(ledgerKeys().size(), 2u * 2);
    ASSERT_EQ(model->rows().size(), 2u);
    for (const auto& row : model->rows())
        EXPECT_FALSE(row.chosen);
    EXPECT_TRUE(std::any_of(model->rows().begin(), model->rows().end(), [&](const auto& row) { return row.id == card2; }));
}

TEST_F(RecountTest, ATimedOutCommitResumesPollingInsteadOfSendingTheReplacementAgain)
{
    planRecount();
    test::waitFor(model->previewReplace());
    service.committingPolls = 1000;
    test::waitFor(model->commitReplace());
    EXPECT_EQ(model->statusMessage(), "Recount commit failed \u2014 see the red banner.");
    EXPECT_TRUE(model->importError()->startsWith("recount is still processing"));
    EXPECT_EQ(model->importErrorTitle(), "Recount outcome unknown");
    EXPECT_EQ(service.calls(Endpoint::importReplace), 2); // preview and commit
    EXPECT_EQ(service.calls(Endpoint::poll), 80);
    EXPECT_EQ(sleeps->size(), 79u);
    EXPECT_TRUE(ledgerKeys().empty());
    EXPECT_EQ(model->rows().size(), 4u);
    const QStringList failed = trace.lines(TraceTopic::recount);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed[0].startsWith("[recount] COMMIT FAILED: recount is still processing"));

    service.committingPolls = 0;
    test::waitFor(model->commitReplace());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 2);
    EXPECT_EQ(model->recount()->lastRecountResult(), (CaptureViewModel::LastRecountResult{{"A1"}, 2, 4}));
    EXPECT_EQ(model->rows().size(), 1u);
}

TEST_F(RecountTest, ACommitOfUnknownOutcomeBlocksANewPreviewAndIsFollowedEvenAfterThePlanChanged)
{
    planRecount();
    test::waitFor(model->previewReplace());
    service.committingPolls = 1000;
    test::waitFor(model->commitReplace());
    ASSERT_EQ(model->recount()->pendingRecountCommit(), QString("sess-1"));
    EXPECT_TRUE(model->importError()->contains("may still complete"));

    // A new session now could replace the bins a second time.
    test::testAccess(*model).setReplaceBinsText("A1 A2");
    test::waitFor(model->previewReplace());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 2);
    EXPECT_EQ(model->importError(), QString("The last recount may still complete. Check it before a new preview."));

    // Following it sends nothing again and records the rows that were sent.
    service.committingPolls = 0;
    test::waitFor(model->commitReplace());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 2);
    EXPECT_FALSE(model->recount()->pendingRecountCommit());
    EXPECT_EQ(model->recount()->lastRecountResult(), (CaptureViewModel::LastRecountResult{{"A1"}, 2, 4}));
    EXPECT_EQ(model->rows().size(), 1u);
}

TEST_F(RecountTest, ARecountSavedWithoutItsFiguresRecordsTheRowsAndSaysTheFiguresAreUnknown)
{
    planRecount();
    test::waitFor(model->previewReplace());
    ScanSessionPoll committing;
    committing.status = "committing";
    ScanSessionPoll saved;
    saved.status = "saved"; // no commitResult
    service.pollScript = {committing, saved};
    test::waitFor(model->commitReplace());

    // The replacement happened: nothing stays pending, the rows are recorded and leave.
    EXPECT_FALSE(model->importError()) << model->importError()->toStdString();
    EXPECT_FALSE(model->recount()->pendingRecountCommit());
    EXPECT_EQ(model->lastImportedSession(), QString("sess-1"));
    EXPECT_EQ(model->statusMessage(), "Recount done: figures unknown \u2192 A1 new. The service saved it without "
                                      "reporting what it added and retired.");
    EXPECT_EQ(model->toast(), QString("Recount: figures unknown \u2192 A1 new"));
    EXPECT_EQ(model->recount()->lastRecountResult(), (CaptureViewModel::LastRecountResult{{"A1 new"}, 0, 0, false}));
    EXPECT_EQ(ledgerKeys().size(), 2u * 2 + 2);
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_FALSE(model->rows()[0].chosen);
    EXPECT_EQ(trace.lines(TraceTopic::recount), QStringList{"[recount] SAVED WITHOUT FIGURES: scan session sess-1"});

    // The next recount can be previewed.
    ingestMarkers(*model, {3});
    model->selectAllPrintings();
    model->assignSelectedPrintings("A2");
    test::waitFor(model->previewReplace());
    EXPECT_TRUE(model->recount()->pendingPreview());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 3);
}

TEST_F(RecountTest, ARefusedCommitSaysNothingWasReplacedAndKeepsThePlan)
{
    planRecount();
    test::waitFor(model->previewReplace());
    service.failCall(Endpoint::importReplace, 2, 409, "bin locked");
    test::waitFor(model->commitReplace());
    EXPECT_TRUE(model->importError()->endsWith("Nothing was replaced; the plan is kept."));
    EXPECT_EQ(model->importErrorTitle(), "Recount failed");
    EXPECT_FALSE(model->recount()->pendingRecountCommit());
    EXPECT_EQ(model->recount()->binByPrinting().size(), 2u);
    EXPECT_EQ(model->rows().size(), 4u);
}

TEST_F(RecountTest, BlockedPreviews)
{
    ingestMarkers(*model, {1});
    test::testAccess(*model).setReplaceBinsText("A1");
    test::waitFor(model->previewReplace());
    EXPECT_EQ(model->importError(), QString("Enter a bin to replace and assign each group a destination bin."));
    EXPECT_EQ(model->importErrorTitle(), "Recount blocked");
    EXPECT_EQ(model->statusMessage(), "Recount blocked \u2014 see banner.");

    model->selectAllPrintings();
    model->assignSelectedPrintings("B");
    setWorkspace("");
    service.workspaces.clear();
    test::waitFor(model->previewReplace());
    EXPECT_EQ(model->statusMessage(), "Recount blocked \u2014 no workspace (see banner).");
    EXPECT_FALSE(model->isWorking());
    EXPECT_FALSE(model->recount()->replaceSessionId());

    setWorkspace("ws-1");
    service.failCall(Endpoint::importReplace, 1, 500, "nope");
    test::waitFor(model->previewReplace());
    EXPECT_EQ(model->statusMessage(),
              "Recount preview failed \u2014 the inventory service failed; the plan is kept (see banner).");
    EXPECT_TRUE(model->importError()->startsWith("The Vantry inventory service failed before the recount preview was "
                                                 "sent. The inventory was not changed, and the recount plan is kept. "
                                                 "Try again in a moment.\n\nThe server returned an error."))
        << model->importError()->toStdString();
    EXPECT_FALSE(model->recount()->pendingPreview());
    EXPECT_EQ(trace.lines(TraceTopic::recount).size(), 1);
}

// A recount puts cards in the inventory as an import does, and is recorded as surely: its scans
// are in the import record before the replacement goes out, and in the ledger before it is done.
class RecountRecordTest : public RecountTest {
protected:
    // Replacements the service carried out (not dry runs).
    int replacementsApplied() const
    {
        int n = 0;
        for (const auto& [id, session] : service.sessions)
            for (const ScanReplaceRequest& request : session.replacements)
                n += request.dryRun ? 0 : 1;
        return n;
    }

    std::unique_ptr<FakeFileLayer> fullDisk;
};

TEST_F(RecountRecordTest, ADiskThatCannotTakeTheRecordStopsTheReplacementBeforeItIsSent)
{
    planRecount();
    test::waitFor(model->previewReplace());
    fullDisk = std::make_unique<FakeFileLayer>();
    fullDisk->failWritesAfter(0);
    test::waitFor(model->commitReplace());
    EXPECT_EQ(service.calls(Endpoint::importReplace), 1); // the preview only
    EXPECT_EQ(model->importErrorTitle(), "Recount blocked");
    EXPECT_TRUE(model->importError()->startsWith(
        "Nothing was replaced: the record of imported scans cannot be written"));
    EXPECT_EQ(model->statusMessage(), "Recount blocked \u2014 see banner.");
    EXPECT_EQ(model->rows().size(), 4u);
    EXPECT_FALSE(model->isWorking());

    // Room again: the same preview commits.
    fullDisk.reset();
    test::waitFor(model->commitReplace());
    EXPECT_EQ(replacementsApplied(), 1);
    EXPECT_EQ(model->recount()->lastRecountResult(), (CaptureViewModel::LastRecountResult{{"A1"}, 2, 4}));
    EXPECT_EQ(ledgerKeys().size(), 2u * 2 + 2);
    EXPECT_TRUE(ImportIntentStore::instance().intents().empty());
}

TEST_F(RecountRecordTest, ARecountSavedOnAFullDiskIsNotCalledDoneAndItsCardsNeverComeBack)
{
    planRecount();
    test::waitFor(model->previewReplace());
    service.storeReplacement = [this](auto&, const ScanReplaceRequest& request, auto&) -> std::optional<QString> {
        if (!request.dryRun) {
            fullDisk = std::make_unique<FakeFileLayer>();
            fullDisk->failWritesAfter(0);
        }
        return std::nullopt;
    };
    test::waitFor(model->commitReplace());
    EXPECT_EQ(model->importErrorTitle(), "Recount saved, but not recorded");
    EXPECT_TRUE(model->importError()->startsWith("Your recount is saved in the inventory (scan session sess-1 \u2192 "
                                                 "A1), but the record of imported scans could not be saved"))
        << model->importError()->toStdString();
    EXPECT_EQ(model->statusMessage(),
              "Recount saved \u2014 the record of imported scans could not be saved (see banner).");
    EXPECT_FALSE(model->recount()->lastRecountResult());
    EXPECT_FALSE(model->toast());
    ASSERT_EQ(model->rows().size(), 1u); // the card that needed review
    EXPECT_TRUE(ledgerKeys().empty());

    // Still full after a restart: the import record keeps the recounted cards out.
    EXPECT_EQ(offeredAfterRestart(), 0);
    // Room again: the retry puts them into the ledger.
    fullDisk.reset();
    scheduler.advance(ImportIntentStore::retryInterval);
    ASSERT_TRUE(QTest::qWaitFor([] { return ImportIntentStore::instance().intents().empty(); }, 5000));
    EXPECT_EQ(ledgerKeys().size(), 2u * 2 + 2);
    EXPECT_EQ(offeredAfterRestart(), 0);
    EXPECT_EQ(replacementsApplied(), 1);
}

TEST_F(RecountRecordTest, AProcessThatDiesOnceTheServiceCommittedLeavesItsCardsHeldOrSettled)
{
    for (const bool serviceSaysSaved : {true, false}) {
        SCOPED_TRACE(serviceSaysSaved ? "the service's record says saved" : "the service's record says nothing yet");
        folder = home.file(serviceSaysSaved ? "saved" : "committing");
        model = makeModel();
        planRecount();
        test::waitFor(model->previewReplace());
        service.delayMs[Endpoint::importReplace] = 1500;
        const int replaced = service.calls(Endpoint::importReplace);
        auto running = model->commitReplace();
        ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls(Endpoint::importReplace) > replaced; }, 5000));

        // The process dies here; the next one asks the service, and never offers the cards again.
        service.committingPolls = serviceSaysSaved ? 0 : 1000;
        restartStores();
        const auto again = makeModel();
        test::waitFor(again->checkHeldImports());
        if (serviceSaysSaved) {
            EXPECT_TRUE(again->heldImports().empty());
            EXPECT_EQ(again->statusMessage(), "The service reports the recount of scan session " +
                                                  service.sessionOrder.back() +
                                                  " as saved: its cards are recorded as imported.");
            EXPECT_EQ(ledgerKeys().size(), 2u * 2 + 2);
        } else {
            ASSERT_EQ(again->heldImports().size(), 1u);
            EXPECT_EQ(ImportTexts::heldTitle(again->heldImports()[0].kind), "Recount outcome unknown");
            EXPECT_TRUE(ImportTexts::heldBody(again->heldImports()[0])
                            .startsWith("The recount of 2 printings into Main shop bin A1 new (scan session " +
                                        service.sessionOrder.back() + ") ended without a confirmed result"))
                << ImportTexts::heldBody(again->heldImports()[0]).toStdString();
        }
        EXPECT_EQ(offeredAfterRestart(), 0);
        EXPECT_EQ(replacementsApplied(), 1);

        service.delayMs.clear();
        test::waitFor(std::move(running)); // the dead process's last moments change nothing
        EXPECT_EQ(replacementsApplied(), 1);
        service.sessions.clear();
        restartStores();
        QFile::remove(ImportIntentStore::fileURL());
        QFile::remove(ImportLedgerStore::fileURL());
    }
}

// The old bins' figures beside the old-bin text follow the commit.
TEST_F(RecountTest, ACommitRefreshesTheFiguresOfTheBins)
{
    service.bins = {{"A1", 12, 29, {}}};
    planRecount();
    test::waitFor(model->binList()->refresh());
    ASSERT_EQ(model->binList()->inventoryBins().at(0).totalQty, 29);
    test::waitFor(model->previewReplace());
    service.storeReplacement = [this](auto&, const ScanReplaceRequest& request, auto&) -> std::optional<QString> {
        if (!request.dryRun)
            service.bins = {{"A1", 1, 1, {}}};
        return std::nullopt;
    };
    test::waitFor(model->commitReplace());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->binList()->inventoryBins().at(0).totalQty == 1; }, 5000));
}

} // namespace
} // namespace vantry
