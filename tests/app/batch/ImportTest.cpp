#include "InventoryFixture.h"

#include "BatchTestKit.h"
#include "app/settings/CaptureConfig.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/records/ScanManifestStore.h"
#include "core/records/TrainingDataStore.h"
#include "core/service/CaptureError.h"
#include "core/support/Json.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace vantry {
namespace {


using Endpoint = test::FakeInventoryService::Endpoint;
using test::FakeHttpResponse;

class ImportTest : public test::InventoryFixture {
protected:
    // Every row's ledger keys, sorted.
    static std::vector<QString> keysOf(const std::vector<CaptureViewModel::Row>& rows)
    {
        std::vector<QString> keys;
        for (const auto& row : rows) {
            keys.push_back(*row.contentHash);
            if (row.scanIdentityHash != row.contentHash)
                keys.push_back(*row.scanIdentityHash);
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }
};

TEST_F(ImportTest, ConfirmedRowsBecomeOneSessionThenLedgerManifestLabelsAndAreRemoved)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2, 3, 91});
    ASSERT_EQ(model->rows().size(), 4u);
    const std::vector<CaptureViewModel::Row> confirmed(model->rows().begin(), model->rows().begin() + 3);
    test::testAccess(*model).setBin(" A1 ");

    test::waitFor(model->importToInventory());

    EXPECT_EQ(sessionLines().mid(0, 4), QStringList({"POST /scan-sessions", "PATCH /scan-sessions/sess-1?workspaceId=ws-1",
                                                     "PATCH /scan-sessions/sess-1?workspaceId=ws-1",
                                                     "PATCH /scan-sessions/sess-1?workspaceId=ws-1"}));
    EXPECT_EQ(sessionLines().size(), 4 + 3 * 3 + 2);
    const auto& session = service.lastSession();
    ASSERT_EQ(session.items.size(), 3u);
    EXPECT_EQ(session.items[0].itemId, "card-1:nonfoil");
    EXPECT_EQ(session.items[0].addedBy, email);
    ASSERT_EQ(session.frames.size(), 3u);
    for (const auto& frame : session.frames)
        EXPECT_TRUE(frame.finalized);
    ASSERT_TRUE(session.imported);
    EXPECT_EQ(session.imported->location, QString("A1"));
    EXPECT_EQ(session.imported->defaultCondition, QString("NM"));

    EXPECT_EQ(ledgerKeys(), keysOf(confirmed));
    const auto manifest = ScanManifestStore::load(folder + "/vantry-scan-manifest.json");
    ASSERT_TRUE(manifest);
    ASSERT_EQ(manifest->entries.size(), 3u);
    EXPECT_EQ(manifest->entries[0].binId, QString("A1"));
    EXPECT_EQ(manifest->entries[0].importSessionId, "sess-1");
    EXPECT_EQ(manifest->entries[0].workspaceName, QString("Main shop"));
    EXPECT_EQ(model->trainingStore()->stats().total, 3);

    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_FALSE(model->rows()[0].chosen);
    EXPECT_EQ(model->statusMessage(),
              "Imported 3 confirmed rows (3 printings) into Main shop bin A1. 1 row still needs review.");
    EXPECT_EQ(model->toast(), QString("Imported 3 cards \u2192 Main shop \u00B7 bin A1"));
    EXPECT_EQ(model->importError(), std::nullopt);
    EXPECT_EQ(model->lastImportedSession(), QString("sess-1"));
    EXPECT_FALSE(model->isImporting());
    const QStringList lines = trace.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "[import] start: 3 printings \u00B7 scope=Main shop \u00B7 bin=A1 \u00B7 user=" + email);
    EXPECT_EQ(lines[1], "[scan-manifest] wrote 1 manifest(s): " + folder + "/vantry-scan-manifest.json");
    EXPECT_EQ(lines[2], "[import] OK \u00B7 session=sess-1 \u00B7 server imported 3 printings into Main shop/A1");

    // The same folder again: every card is known, nothing is sent.
    service.server().clearJournal();
    const auto again = makeModel();
    test::waitFor(again->importFromFolder(folder));
    EXPECT_EQ(again->rows().size(), 1u); // only the unconfirmed scan
    EXPECT_EQ(again->lastIngestSkippedCount(), 3);
    test::testAccess(*again).setRows({});
    test::waitFor(again->importToInventory());
    EXPECT_EQ(again->statusMessage(), "Nothing confirmed to import.");
    EXPECT_TRUE(sessionLines().isEmpty());
}

TEST_F(ImportTest, AFailureAtAnyStepKeepsTheRowsAndWritesNothing)
{
    const auto first = makeModel();
    ingestMarkers(*first, {1, 2});
    const auto rows = first->rows();
    struct Case {
        Endpoint endpoint;
        FakeHttpResponse response;
        bool outcomeUnknown; // the import call went out and nothing proves it was refused
        const char* failed = ""; // otherwise what failed, as the status line says it
    };
    const std::vector<Case> cases = {
        {Endpoint::createSession, FakeHttpResponse::text(500, "down"), false, "the inventory service failed"},
        {Endpoint::createSession, [] { FakeHttpResponse r; r.hangUp = true; return r; }(), false,
         "the inventory service could not be reached"},
        {Endpoint::addItem, FakeHttpResponse::json(422, R"({"error":"bad item"})"), false,
         "the inventory service refused the import"},
        {Endpoint::presign, FakeHttpResponse::text(503, "busy"), false, "the inventory service failed"},
        {Endpoint::upload, FakeHttpResponse::text(403, "<Error>expired</Error>"), false,
         "the scan pictures could not be uploaded"},
        {Endpoint::finalize, FakeHttpResponse::text(500, "oops"), false, "the inventory service failed"},
        {Endpoint::setStatus, FakeHttpResponse::text(409, "wrong state"), false,
         "the inventory service refused the import"},
        {Endpoint::importToPortfolio, FakeHttpResponse::json(422, R"({"error":"bad bin"})"), false,
         "the inventory service refused the import"},
        {Endpoint::importToPortfolio, FakeHttpResponse::json(409, R"({"error":"not reviewing"})"), true},
        {Endpoint::importToPortfolio, FakeHttpResponse::text(502, "bad gateway"), true},
        {Endpoint::importToPortfolio, [] { FakeHttpResponse r; r.hangUp = true; return r; }(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.endpoint));
        service.failCall(c.endpoint, service.calls(c.endpoint) + 1, c.response);
        const auto model = makeModel();
        test::testAccess(*model).setRows(rows);
        test::waitFor(model->importToInventory());
        EXPECT_EQ(model->rows().size(), 2u);
        EXPECT_TRUE(ledgerKeys().empty());
        EXPECT_FALSE(model->isImporting());
        EXPECT_EQ(model->uncertainImportSession().has_value(), c.outcomeUnknown);
        EXPECT_EQ(model->heldImports().size(), c.outcomeUnknown ? 1u : 0u);
        if (c.outcomeUnknown) {
            // The service's session record says it is still in review: the user decides.
            EXPECT_EQ(model->statusMessage(), "Import outcome unknown (scan session " + service.sessionOrder.back() +
                                                  ") \u2014 these cards are held until you check (see banner).");
            EXPECT_TRUE(model->heldImportReason(model->heldImports()[0].id));
        } else {
            ASSERT_TRUE(model->importError());
            EXPECT_EQ(model->importErrorTitle(), "Import failed");
            EXPECT_EQ(model->statusMessage(), QStringLiteral("Nothing imported \u2014 ") + c.failed +
                                                  "; the batch is kept (see banner).");
            EXPECT_TRUE(model->importError()->contains("Nothing was imported, and the batch is kept."));
        }
        // The next case starts from nothing held.
        restartStores();
        QFile::remove(ImportIntentStore::fileURL());
    }
    EXPECT_FALSE(QFile::exists(folder + "/vantry-scan-manifest.json"));
}

TEST_F(ImportTest, AnImportWithoutAConfirmedCountIsHeldUntilTheUserChooses)
{
    using IR = test::FakeInventoryService::ImportReply;
    for (const IR reply : {IR::unreadable, IR::emptyObject}) {
        SCOPED_TRACE(int(reply));
        service.importReply = reply;
        // The session record cannot be read, so only the user can settle it.
        service.failCall(Endpoint::poll, service.calls(Endpoint::poll) + 1, 500);
        const auto model = makeModel();
        ingestMarkers(*model, {1, 2});
        const auto sessionsBefore = service.sessionOrder.size();
        test::waitFor(model->importToInventory());
        const QString session = service.sessionOrder.back();
        EXPECT_EQ(model->uncertainImportSession(), session);
        EXPECT_EQ(model->lastImportedSession(), session);
        EXPECT_EQ(model->rows().size(), 2u);
        EXPECT_TRUE(ledgerKeys().empty());

        // Import again sends nothing while the cards are held.
        const auto requests = service.journal().size();
        test::waitFor(model->importToInventory());
        EXPECT_EQ(service.journal().size(), requests);
        EXPECT_TRUE(model->statusMessage().contains("left out: their import in scan session " + session))
            << model->statusMessage().toStdString();
        EXPECT_EQ(model->rows().size(), 2u);

        // Sending again is the user's explicit choice.
        service.importReply = IR::topLevel;
        test::waitFor(model->sendHeldImportAgain(model->heldImports().at(0).id));
        EXPECT_EQ(service.sessionOrder.size(), sessionsBefore + 2);
        EXPECT_TRUE(model->rows().empty());
        EXPECT_TRUE(model->heldImports().empty());
        ImportLedgerStore::resetForTesting();
        QFile::remove(ImportLedgerStore::fileURL());
        QFile::remove(folder + "/vantry-scan-manifest.json");
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            QFile::remove(folder + "/" + name);
    }
}

// An attempt that reached nothing, then one whose outcome the service's record or the user
// settles as imported: the first attempt's "Nothing was imported" banner goes with it.
TEST_F(ImportTest, AnImportSettledAfterAFailedAttemptLeavesNoFailureBanner)
{
    for (const bool byService : {true, false}) {
        SCOPED_TRACE(byService ? "the service's session record" : "the user marks it imported");
        const auto model = makeModel();
        ingestMarkers(*model, {1, 2});
        service.failCall(Endpoint::createSession, service.calls(Endpoint::createSession) + 1, 500);
        test::waitFor(model->importToInventory());
        ASSERT_EQ(model->importErrorTitle(), "Import failed");

        FakeHttpResponse hangUp;
        hangUp.hangUp = true;
        service.failAfterHandling(Endpoint::importToPortfolio, service.calls(Endpoint::importToPortfolio) + 1, hangUp);
        if (!byService)
            service.failCall(Endpoint::poll, service.calls(Endpoint::poll) + 1, 500);
        test::waitFor(model->importToInventory());
        if (!byService) {
            ASSERT_EQ(model->heldImports().size(), 1u);
            test::waitFor(model->markHeldImportAsImported(model->heldImports()[0].id));
        }
        EXPECT_TRUE(model->rows().empty());
        EXPECT_FALSE(model->importError()) << model->importError()->toStdString();
        restartStores();
        QFile::remove(ImportLedgerStore::fileURL());
    }
}

TEST_F(ImportTest, ASuccessWhoseManifestCannotBeWrittenIsNotCalledAFailure)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2});
    QDir().mkpath(folder + "/vantry-scan-manifest.json"); // a folder where the manifest goes
    test::waitFor(model->importToInventory());
    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(model->importErrorTitle(), "Imported, but the scan manifest was not written");
    EXPECT_TRUE(model->importError()->startsWith("Imported successfully, but could not write the local scan manifest"));
    EXPECT_TRUE(model->statusMessage().startsWith("Imported 2 printings")) << model->statusMessage().toStdString();
}

TEST_F(ImportTest, BlockedImportsSendNothing)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2, 3});

    // No scan evidence for two printings: counted, plural, first path named.
    QFile::remove(scan("01.png"));
    QFile::remove(scan("03.png"));
    test::waitFor(model->importToInventory());
    EXPECT_EQ(model->importError(), "Could not prepare scan evidence for 2 imported scan groups. Nothing was "
                                    "imported. First failed file: " + scan("01.png"));
    EXPECT_EQ(model->statusMessage(), "Import blocked - scan evidence could not be prepared.");

    // No workspace, and none to default to.
    setWorkspace("");
    service.workspaces.clear();
    test::waitFor(model->importToInventory());
    EXPECT_EQ(model->statusMessage(), "Import blocked \u2014 no workspace (see banner).");
    EXPECT_TRUE(model->importError()->startsWith("No workspace configured, so these cards would go to personal"));
    EXPECT_EQ(sessionLines(), QStringList{"GET /me/workspaces"});
    EXPECT_EQ(model->rows().size(), 3u);
    EXPECT_FALSE(model->isImporting());

    // Nothing confirmed: said even while an import runs.
    test::testAccess(*model).setRows({});
    test::testAccess(*model).setIsImporting(true);
    test::waitFor(model->importToInventory());
    EXPECT_EQ(model->statusMessage(), "Nothing confirmed to import.");
    EXPECT_TRUE(model->isImporting());
}

TEST_F(ImportTest, SavedNothingKeepsEverythingAndNamesTheSession)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1});
    service.failCall(Endpoint::importToPortfolio, 1, FakeHttpResponse::json(200, R"({"imported":0})"));
    test::waitFor(model->importToInventory());
    EXPECT_EQ(model->importError(), "The server accepted the request but saved 0 cards (session sess-1). Nothing "
                                    "was imported \u2014 your cards are still here to retry. Send me this session id.");
    EXPECT_EQ(model->statusMessage(), "Import saved 0 cards \u2014 see banner.");
    EXPECT_EQ(model->rows().size(), 1u);
    EXPECT_TRUE(ledgerKeys().empty());
}

TEST_F(ImportTest, FailureTextsForTheBanner)
{
    const QString huge(5000, QLatin1Char('x'));
    struct Case {
        CaptureError error;
        QString text;
    };
    const std::vector<Case> cases = {
        {CaptureError::http(401, "{}", "GET", "/inventory?ws=1"),
         "Not signed in (session expired). Open Settings, sign out, then sign back in, and import again.\n\n"
         "GET /inventory?ws=1\nHTTP 401\n{}"},
        {CaptureError::http(422, "", "PATCH", "/scan-sessions/s"),
         "The server rejected the request body.\n\nPATCH /scan-sessions/s\nHTTP 422\n"},
        {CaptureError::http(500, "x", "POST", "/scan-sessions/s/import-to-portfolio").withSessionId("s"),
         "The server returned an error.\n\nPOST /scan-sessions/s/import-to-portfolio\nHTTP 500\nx\n\n"
         "The service may already hold part or all of this in scan session s. Check that session in your "
         "inventory before trying again."},
        {CaptureError::http(418, huge, "GET", "/x"),
         "The server returned an error.\n\nGET /x\nHTTP 418\n" + huge.left(2000) + "\u2026 (5000 characters)"},
        {CaptureError::noResponse(), "no HTTP response"},
        {CaptureError::transport(2, "Connection closed").withSessionId("s9"),
         "Connection closed (scan session s9)\n\nThe service may already hold part or all of this in scan "
         "session s9. Check that session in your inventory before trying again."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptureViewModel::describeImportFailure(c.error), c.text);
    EXPECT_EQ(CaptureViewModel::describeImportFailure(json::Error("data.sessionId: missing")),
              "The server's reply could not be read: data.sessionId: missing");
}

TEST_F(ImportTest, AutomaticImportOnlyForAFullyConfirmedBatchOutsideRecount)
{
    SettingsStore::standard()->setBoolean(SettingsKeys::autoImport, true);
    struct Case {
        std::vector<int> markers;
        bool replaceMode;
        bool autoImportArgument;
        bool imports;
    };
    const std::vector<Case> cases = {
        {{1, 2}, false, true, true},
        {{1, 91}, false, true, false},
        {{1, 2}, true, true, false},
        {{1, 2}, false, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        folder = home.file(QStringLiteral("scans-%1").arg(++n));
        const auto model = makeModel();
        test::testAccess(*model).setReplaceMode(c.replaceMode);
        QStringList statuses;
        QObject::connect(model.get(), &CaptureViewModel::statusMessageChanged,
                         [&] { statuses << model->statusMessage(); });
        for (std::size_t i = 0; i < c.markers.size(); ++i)
            test::writeMarkedScan(scan(QStringLiteral("%1.png").arg(i)),
                                  c.markers[i] < 90 ? c.markers[i] + 10 * n : c.markers[i]);
        std::vector<ScannedCard> cards;
        for (std::size_t i = 0; i < c.markers.size(); ++i)
            cards.push_back({int(i), scan(QStringLiteral("%1.png").arg(i)), {}});
        const auto sessions = service.sessionOrder.size();
        test::waitFor(model->ingest(
            cards, IngestOptions{.append = false, .showProgress = true, .autoImport = c.autoImportArgument}));
        EXPECT_EQ(service.sessionOrder.size() - sessions, c.imports ? 1u : 0u);
        EXPECT_EQ(statuses.contains("Auto-importing fully confirmed batch."), c.imports);
        EXPECT_EQ(model->rows().empty(), c.imports);
    }
}

TEST_F(ImportTest, AnAutomaticImportSkippedWhileAnImportRunsIsCheckedAgainAtItsEnd)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2});
    test::writeMarkedScan(scan("03.png"), 3);
    service.delayMs[Endpoint::createSession] = 2000;
    auto running = model->importToInventory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls(Endpoint::createSession) == 1; }, 5000));

    // A fully confirmed card arrives with automatic import on while the import runs.
    SettingsStore::standard()->setBoolean(SettingsKeys::autoImport, true);
    test::waitFor(model->ingest({{2, scan("03.png"), {}}},
                                IngestOptions{.append = true, .showProgress = true, .autoImport = true}));
    EXPECT_EQ(service.sessionOrder.size(), 1u);
    EXPECT_TRUE(model->isImporting());
    service.delayMs.clear();
    test::waitFor(std::move(running));

    ASSERT_EQ(service.sessionOrder.size(), 2u);
    EXPECT_EQ(service.session("sess-1").items.size(), 2u);
    ASSERT_EQ(service.session("sess-2").items.size(), 1u);
    EXPECT_EQ(service.session("sess-2").items[0].itemId, "card-3:nonfoil");
    EXPECT_TRUE(model->rows().empty());
}

TEST_F(ImportTest, ARowChangedWhileTheImportRunsStaysWithANote)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2});
    service.delayMs[Endpoint::createSession] = 200;
    auto running = model->importToInventory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls(Endpoint::createSession) == 1; }, 5000));
    auto rows = model->rows();
    rows[0].chosen->finish = ScanFinish::foil;
    test::testAccess(*model).setRows(rows);
    test::waitFor(std::move(running));

    EXPECT_EQ(service.lastSession().items.at(0).itemId, "card-1:nonfoil");
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->rows()[0].chosen->finish, ScanFinish::foil);
    EXPECT_EQ(*model->rows()[0].readNote,
              "Imported as Card 1 (nonfoil) in session sess-1; this change was not sent. Correct the card in your "
              "inventory. Import does not send it again; to add the changed printing as another card, use Add Card.");
    EXPECT_EQ(model->statusMessage(),
              "Imported 2 confirmed rows (2 printings) into Main shop bin (none). 1 row still needs review.");

    // The service has that card: automatic import leaves it to the user.
    SettingsStore::standard()->setBoolean(SettingsKeys::autoImport, true);
    test::writeMarkedScan(scan("03.png"), 3);
    test::waitFor(model->ingest({{2, scan("03.png"), {}}},
                                IngestOptions{.append = true, .showProgress = true, .autoImport = true}));
    EXPECT_EQ(service.sessionOrder.size(), 1u);

    // Import sends the new card only, and says why the changed one left.
    test::waitFor(model->importToInventory());
    ASSERT_EQ(service.sessionOrder.size(), 2u);
    ASSERT_EQ(service.lastSession().items.size(), 1u);
    EXPECT_EQ(service.lastSession().items[0].itemId, "card-3:nonfoil");
    EXPECT_TRUE(model->rows().empty());
    EXPECT_TRUE(model->statusMessage().endsWith(
        "1 card was already imported as first sent and taken out of this batch; its change was not sent."))
        << model->statusMessage().toStdString();
}

TEST_F(ImportTest, AnExpiredTokenIsRefreshedOnceAndTheRequestRepeated)
{
    const QByteArray reply = R"({"access_token":")" + accessToken().toUtf8() +
                             R"(","token_type":"Bearer","expires_in":3600,"refresh_token":"R-2"})";
    authServer.route("POST", "/token", test::FakeHttpResponse::json(200, reply));
    const auto model = makeModel();
    ingestMarkers(*model, {1});
    service.unauthorizedOnce(Endpoint::addItem);
    test::waitFor(model->importToInventory());
    EXPECT_EQ(authServer.count("POST", "/token"), 1);
    EXPECT_EQ(service.calls(Endpoint::addItem), 2);
    EXPECT_EQ(service.lastSession().items.size(), 1u);
    EXPECT_TRUE(model->rows().empty());

    // A refresh that fails ends the import with the first 401.
    authServer.route("POST", "/token", test::FakeHttpResponse::json(400, R"({"error":"invalid_grant"})"));
    ingestMarkers(*model, {2});
    service.unauthorizedOnce(Endpoint::createSession);
    test::waitFor(model->importToInventory());
    EXPECT_TRUE(model->importError()->startsWith("The Vantry inventory service refused the import. Nothing was "
                                                 "imported, and the batch is kept.\n\nNot signed in (session "
                                                 "expired)."))
        << model->importError()->toStdString();
    EXPECT_EQ(model->rows().size(), 1u);
}

} // namespace
} // namespace vantry
