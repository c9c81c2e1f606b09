// A card is imported once, whatever happens between the press of Import and the local records:
// a full disk, a broken ledger, a process that dies, a second tab, a reply that proves nothing.
// A second model on the same data folder, after the process-wide stores forget what they held,
// stands for the restart.
#include "InventoryFixture.h"

#include "BatchTestKit.h"
#include "app/batch/ImportTexts.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakeFileLayer.h"
#include "support/TestFiles.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTest>

#include <functional>
#include <memory>

namespace vantry {
namespace {

using Endpoint = test::FakeInventoryService::Endpoint;
using test::FakeHttpResponse;

class NeverImportTwiceTest : public test::InventoryFixture {
public:
    // The table's steps reach the fixture through a reference.
    using InventoryFixture::folder;
    using InventoryFixture::ledgerKeys;
    using InventoryFixture::makeModel;
    using InventoryFixture::offeredAfterRestart;
    using InventoryFixture::restartStores;
    using InventoryFixture::scheduler;
    using InventoryFixture::service;

    // Copies of each card the inventory holds: items of every imported session.
    int copies() const
    {
        int n = 0;
        for (const auto& [id, session] : service.sessions)
            if (session.imported)
                for (const auto& item : session.items)
                    n += item.count;
        return n;
    }

    int importCalls() const { return service.calls(Endpoint::importToPortfolio); }


    std::unique_ptr<FakeFileLayer> fullDisk;
};

// One table: what happens, then what the user does next; each ends with one copy and nothing lost.
TEST_F(NeverImportTwiceTest, EveryWayThroughTheImportLeavesOneCopy)
{
    struct Case {
        const char* name;
        std::function<void(NeverImportTwiceTest&, CaptureViewModel&)> run;
    };
    const std::vector<Case> cases = {
        {"disk full when Import is pressed: nothing is sent; once there is room, one press imports",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.fullDisk = std::make_unique<FakeFileLayer>();
             t.fullDisk->failWritesAfter(0);
             test::waitFor(model.importToInventory());
             EXPECT_EQ(t.service.calls(Endpoint::createSession), 0);
             EXPECT_EQ(model.importErrorTitle(), "Import blocked");
             EXPECT_TRUE(model.importError()->startsWith(
                 "Nothing was imported: the record of imported scans cannot be written"));
             EXPECT_EQ(model.rows().size(), 2u);
             t.fullDisk.reset();
             test::waitFor(model.importToInventory());
             EXPECT_TRUE(model.rows().empty());
         }},
        {"disk full once the service took the import: the cards count as imported, the record is retried",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.service.storeImport = [&t](const auto&, const auto&) -> std::optional<QString> {
                 t.fullDisk = std::make_unique<FakeFileLayer>();
                 t.fullDisk->failWritesAfter(0);
                 return std::nullopt;
             };
             test::waitFor(model.importToInventory());
             EXPECT_EQ(model.importErrorTitle(), "Imported, but not recorded");
             EXPECT_TRUE(model.rows().empty());
             // Still full after a restart: the intent keeps the scans out.
             EXPECT_EQ(t.offeredAfterRestart(), 0);
             // Room again: the timer puts the keys into the ledger and the intent goes.
             t.fullDisk.reset();
             t.scheduler.advance(ImportIntentStore::retryInterval);
             ASSERT_TRUE(QTest::qWaitFor([] { return ImportIntentStore::instance().intents().empty(); }, 5000));
             EXPECT_FALSE(t.ledgerKeys().empty());
         }},
        {"ledger unreadable (a folder in its place): ingest and Import stop",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             const Candidate card = *model.rows()[0].chosen;
             test::waitFor(model.importToInventory());
             const QByteArray ledger = test::readFile(ImportLedgerStore::fileURL());
             t.restartStores();
             QFile::remove(ImportLedgerStore::fileURL());
             QDir().mkpath(ImportLedgerStore::fileURL());
             const auto again = t.makeModel();
             test::waitFor(again->importFromFolder(t.folder));
             EXPECT_TRUE(again->rows().empty());
             EXPECT_EQ(again->importErrorTitle(), "Scans not added");
             again->addManualCard(card, 1);
             test::waitFor(again->importToInventory());
             EXPECT_EQ(again->importErrorTitle(), "Import blocked");
             EXPECT_TRUE(again->importError()->startsWith(
                 "Nothing was imported: the record of imported scans cannot be read"));
             QDir().rmdir(ImportLedgerStore::fileURL());
             test::writeFile(ImportLedgerStore::fileURL(), ledger);
         }},
        {"corrupt ledger found while the disk is full: its keys are kept, the file is not moved aside",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             test::waitFor(model.importToInventory());
             ASSERT_FALSE(t.ledgerKeys().empty());
             QByteArray broken = test::readFile(ImportLedgerStore::fileURL());
             broken.chop(2); // every key still whole, the array and the object cut off
             test::writeFile(ImportLedgerStore::fileURL(), broken);
             t.fullDisk = std::make_unique<FakeFileLayer>();
             t.fullDisk->failWritesAfter(0);
             EXPECT_EQ(t.offeredAfterRestart(), 0);
             EXPECT_EQ(t.offeredAfterRestart(), 0);
             EXPECT_EQ(test::readFile(ImportLedgerStore::fileURL()), broken);
             const QString dataFolder = QFileInfo(ImportLedgerStore::fileURL()).absolutePath();
             EXPECT_TRUE(QDir(dataFolder).entryList({"imported-scans.json.corrupt-*"}).isEmpty());
             t.fullDisk.reset();
         }},
        {"killed after the service committed, before its reply was read: the restart asks the service",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.service.delayMs[Endpoint::importToPortfolio] = 1500;
             auto running = model.importToInventory();
             ASSERT_TRUE(QTest::qWaitFor([&] { return t.copies() == 2; }, 5000));
             EXPECT_EQ(t.offeredAfterRestart(), 0);
             EXPECT_TRUE(ImportIntentStore::instance().intents().empty());
             EXPECT_FALSE(t.ledgerKeys().empty());
             t.service.delayMs.clear();
             test::waitFor(std::move(running)); // the dead process's last moments change nothing
         }},
        {"two tabs on one folder: the second press sends nothing",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             const auto other = t.makeModel();
             test::waitFor(other->importFromFolder(t.folder));
             ASSERT_EQ(other->rows().size(), 2u);
             // While the first tab's import is on its way, and after it ended.
             t.service.delayMs[Endpoint::createSession] = 300;
             const int created = t.service.calls(Endpoint::createSession);
             auto running = model.importToInventory();
             ASSERT_TRUE(QTest::qWaitFor([&] { return t.service.calls(Endpoint::createSession) > created; }, 5000));
             test::waitFor(other->importToInventory());
             EXPECT_TRUE(other->statusMessage().contains("another import is sending them right now"));
             test::waitFor(std::move(running));
             test::waitFor(other->importToInventory());
             EXPECT_TRUE(other->rows().empty());
         }},
        {"outcome unknown and the session record still in review: held across a restart until the user chooses",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.service.failCall(Endpoint::importToPortfolio, t.importCalls() + 1, 502);
             test::waitFor(model.importToInventory());
             EXPECT_TRUE(model.uncertainImportSession());
             EXPECT_EQ(t.offeredAfterRestart(), 0);
             const auto again = t.makeModel();
             ASSERT_EQ(again->heldImports().size(), 1u);
             EXPECT_EQ(again->heldImports()[0].sessionId, t.service.sessionOrder.back());
             // The user finds nothing in the inventory and releases the scans.
             test::waitFor(again->sendHeldImportAgain(again->heldImports()[0].id));
             EXPECT_EQ(t.offeredAfterRestart(), 2);
             const auto last = t.makeModel();
             test::waitFor(last->importFromFolder(t.folder));
             test::waitFor(last->importToInventory());
         }},
        {"a 409 after the service committed: the session record settles it",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.service.failAfterHandling(Endpoint::importToPortfolio, t.importCalls() + 1,
                                         FakeHttpResponse::json(409, "{}"));
             test::waitFor(model.importToInventory());
             EXPECT_TRUE(model.rows().empty());
             EXPECT_FALSE(model.uncertainImportSession());
             EXPECT_FALSE(t.ledgerKeys().empty());
         }},
        {"a dropped connection after the commit, the session record unreadable: the user marks it imported",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             FakeHttpResponse hangUp;
             hangUp.hangUp = true;
             const int calls = t.importCalls();
             t.service.failAfterHandling(Endpoint::importToPortfolio, calls + 1, hangUp);
             t.service.failCall(Endpoint::poll, t.service.calls(Endpoint::poll) + 1, 500);
             test::waitFor(model.importToInventory());
             ASSERT_EQ(model.heldImports().size(), 1u);
             test::waitFor(model.importToInventory()); // a press sends nothing
             EXPECT_EQ(t.importCalls(), calls + 1);
             test::waitFor(model.markHeldImportAsImported(model.heldImports()[0].id));
             EXPECT_TRUE(model.rows().empty());
             EXPECT_TRUE(QFile::exists(t.folder + "/vantry-scan-manifest.json"));
         }},
        {"fewer printings saved than sent: a shortfall naming the session and both counts",
         [](NeverImportTwiceTest& t, CaptureViewModel& model) {
             t.service.failAfterHandling(Endpoint::importToPortfolio, t.importCalls() + 1,
                                         FakeHttpResponse::json(200, R"({"imported":1})"));
             test::waitFor(model.importToInventory());
             EXPECT_EQ(model.importErrorTitle(), "Import incomplete");
             EXPECT_TRUE(model.importError()->startsWith("The service saved 1 of the 2 printings sent in scan session " +
                                                         t.service.sessionOrder.back() + "."));
             EXPECT_EQ(model.statusMessage(), "Imported 1 of 2 printings \u2014 see banner.");
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder = home.file(QStringLiteral("scans-%1").arg(++n));
        const auto model = makeModel();
        ingestMarkers(*model, {2 * n + 1, 2 * n + 2}); // markers below 90 read as one printing
        ASSERT_EQ(model->rows().size(), 2u);
        c.run(*this, *model);
        fullDisk.reset();
        EXPECT_EQ(copies(), service.sessions.empty() ? 0 : 2);
        EXPECT_EQ(offeredAfterRestart(), 0);
        service.sessions.clear();
        service.storeImport = nullptr;
        service.delayMs.clear();
        // Each case starts from empty records.
        restartStores();
        QFile::remove(ImportIntentStore::fileURL());
        QFile::remove(ImportLedgerStore::fileURL());
    }
}

// A held import whose record is damaged: each import keeps its keys whatever else cannot be
// read, so its scans are never offered again, and the banner says the record was damaged.
TEST_F(NeverImportTwiceTest, ADamagedImportRecordStillHoldsItsScans)
{
    struct Case {
        const char* name;
        std::function<QByteArray(const QByteArray& file)> damage;
        bool sessionKept;
    };
    const auto replace = [](const char* from, const char* to) {
        return [from, to](const QByteArray& file) {
            QByteArray out = file;
            EXPECT_TRUE(out.contains(from)) << from;
            return out.replace(from, to);
        };
    };
    const std::vector<Case> cases = {
        {"a state this build does not know", replace(R"("state":"sent")", R"("state":"committing")"), true},
        {"the count written as text", replace(R"("printings":2)", R"("printings":"2")"), true},
        {"an id that is not a UUID", [](const QByteArray& file) {
             QByteArray out = file;
             const qsizetype at = out.indexOf(R"("id":")") + 6;
             return out.replace(at, 36, "not-a-uuid");
         }, true},
        {"a file cut short after its keys", [](const QByteArray& file) {
             return file.left(file.indexOf(R"("printings")"));
         }, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder = home.file(QStringLiteral("damaged-%1").arg(++n));
        const auto model = makeModel();
        ingestMarkers(*model, {2 * n + 1, 2 * n + 2});
        // The service commits, its answer is lost and its session record says nothing yet.
        FakeHttpResponse hangUp;
        hangUp.hangUp = true;
        service.failAfterHandling(Endpoint::importToPortfolio, importCalls() + 1, hangUp);
        service.pollScript = {ScanSessionPoll{QStringLiteral("review")}};
        test::waitFor(model->importToInventory());
        ASSERT_EQ(model->heldImports().size(), 1u);
        const QString sessionId = *model->heldImports()[0].sessionId;
        const std::vector<QString> keys = model->heldImports()[0].keys;

        restartStores();
        test::writeFile(ImportIntentStore::fileURL(), c.damage(test::readFile(ImportIntentStore::fileURL())));
        EXPECT_EQ(offeredAfterRestart(), 0);
        const auto again = makeModel();
        test::waitFor(again->importFromFolder(folder));
        test::waitFor(again->importToInventory());
        EXPECT_EQ(importCalls(), n);
        ASSERT_EQ(again->heldImports().size(), 1u);
        const ImportIntent held = again->heldImports()[0];
        EXPECT_EQ(held.keys, keys);
        EXPECT_EQ(held.sessionId, c.sessionKept ? std::optional<QString>(sessionId) : std::nullopt);
        EXPECT_TRUE(ImportTexts::heldBody(held).startsWith("The record of this import was damaged"));
        EXPECT_EQ(copies(), 2);

        service.sessions.clear();
        service.pollScript.clear();
        restartStores();
        QFile::remove(ImportIntentStore::fileURL());
        QFile::remove(ImportLedgerStore::fileURL());
    }
}

// A record of which no import's scans can be read may hold any of them: nothing is added and
// nothing sent until it is fixed.
TEST_F(NeverImportTwiceTest, AnImportRecordWithNoReadableScansStopsIngestAndImport)
{
    const auto model = makeModel();
    ingestMarkers(*model, {1, 2});
    restartStores();
    test::writeFile(ImportIntentStore::fileURL(), R"({"intents":[{"bin":"A1","createdAt":"2026-12-11T10:00:00.000Z","id":"x","ke)");
    const auto again = makeModel();
    test::waitFor(again->importFromFolder(folder));
    EXPECT_TRUE(again->rows().empty());
    EXPECT_EQ(again->importErrorTitle(), "Scans not added");
    test::waitFor(model->importToInventory());
    EXPECT_EQ(model->importErrorTitle(), "Import blocked");
    EXPECT_TRUE(model->importError()->contains("the file is damaged and no import's scans can be read from it"));
    EXPECT_EQ(service.calls(Endpoint::createSession), 0);
}

TEST_F(NeverImportTwiceTest, AutomaticImportNeverResendsHeldCards)
{
    SettingsStore::standard()->setBoolean(SettingsKeys::autoImport, true);
    service.failCall(Endpoint::importToPortfolio, 1, 502);
    service.failCall(Endpoint::poll, 1, 500);
    const auto model = makeModel();
    auto land = [&](std::vector<int> markers) {
        std::vector<ScannedCard> cards;
        for (const int marker : markers) {
            const QString path = scan(QStringLiteral("%1.png").arg(marker, 2, 10, QLatin1Char('0')));
            test::writeMarkedScan(path, marker);
            cards.push_back({marker, path, {}});
        }
        test::waitFor(model->ingest(cards, IngestOptions{.append = true, .showProgress = true, .autoImport = true}));
    };
    land({1, 2});
    ASSERT_EQ(service.calls(Endpoint::importToPortfolio), 1);
    ASSERT_EQ(model->heldImports().size(), 1u);

    // Two more cards land in the watched folder, one after the other: each goes alone.
    land({3});
    land({4});
    ASSERT_EQ(service.sessionOrder.size(), 3u);
    EXPECT_EQ(service.session("sess-2").items.size(), 1u);
    EXPECT_EQ(service.session("sess-3").items.size(), 1u);
    EXPECT_EQ(model->rows().size(), 2u); // the held cards wait for the user
    EXPECT_EQ(model->heldImports().size(), 1u);
}

} // namespace
} // namespace vantry
