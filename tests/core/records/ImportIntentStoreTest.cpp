#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "platform/FakeFileLayer.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

class ImportIntentStoreTest : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void TearDown() override
    {
        ImportIntentStore::resetForTesting();
        ImportLedgerStore::resetForTesting();
    }
    // What a new process finds in the data folder.
    ImportIntentStore& restart()
    {
        ImportIntentStore::resetForTesting();
        ImportLedgerStore::resetForTesting();
        ImportIntentStore& store = ImportIntentStore::instance();
        store.setSchedulerForTesting(&scheduler);
        EXPECT_EQ(store.ensureLoaded(), std::nullopt);
        return store;
    }
    static ImportIntent intent(std::vector<QString> keys)
    {
        ImportIntent i;
        i.workspaceId = "ws-1";
        i.workspaceName = "Main shop";
        i.bin = "A1";
        i.keys = std::move(keys);
        i.printings = int(i.keys.size());
        return i;
    }

    test::TempHome home;
    VirtualDelayScheduler scheduler;
};

TEST_F(ImportIntentStoreTest, EachStepLeavesWhatARestartNeeds)
{
    ImportIntentStore& store = ImportIntentStore::instance();
    const QUuid id = store.reserve(intent({"a", "b"}));
    EXPECT_TRUE(store.holding("a"));
    EXPECT_TRUE(store.held().empty()); // in flight, not held

    // Reserved, even when written: its import call never went out, so a restart drops it.
    ASSERT_EQ(test::waitFor(store.writeReservation(id)), std::nullopt);
    EXPECT_TRUE(restart().intents().empty());

    ImportIntentStore& again = ImportIntentStore::instance();
    const QUuid sent = again.reserve(intent({"c"}));
    ASSERT_EQ(test::waitFor(again.markSent(sent, "sess-9")), std::nullopt);
    // The process dies here: the next one holds the import, session and all.
    ImportIntentStore& after = restart();
    ASSERT_EQ(after.held().size(), 1u);
    EXPECT_EQ(after.held()[0].sessionId, QString("sess-9"));
    EXPECT_EQ(after.held()[0].bin, QString("A1"));
    EXPECT_EQ(after.keys(), QSet<QString>({"c"}));

    // Settled: the keys are in the ledger before the intent goes.
    EXPECT_EQ(test::waitFor(after.settleImported(sent)), std::nullopt);
    EXPECT_TRUE(ImportLedgerStore::load().contains("c"));
    EXPECT_TRUE(restart().intents().empty());
}

TEST_F(ImportIntentStoreTest, AFailedWriteStopsTheImportCallAndKeepsTheFile)
{
    ImportIntentStore& store = ImportIntentStore::instance();
    const QUuid first = store.reserve(intent({"a"}));
    ASSERT_EQ(test::waitFor(store.markSent(first, "sess-1")), std::nullopt);
    const QByteArray onDisk = readFile(ImportIntentStore::fileURL());

    FakeFileLayer files;
    files.failWritesAfter(0);
    const QUuid second = store.reserve(intent({"b"}));
    EXPECT_TRUE(test::waitFor(store.markSent(second, "sess-2")));
    EXPECT_FALSE(store.find(second));
    EXPECT_EQ(readFile(ImportIntentStore::fileURL()), onDisk);
}

TEST_F(ImportIntentStoreTest, AConfirmedImportWhoseLedgerWriteFailsIsRetriedUntilItSucceeds)
{
    ImportIntentStore& store = ImportIntentStore::instance();
    const QUuid id = store.reserve(intent({"a", "b"}));
    ASSERT_EQ(test::waitFor(store.markSent(id, "sess-1")), std::nullopt);
    {
        FakeFileLayer files;
        files.failWritesAfter(0);
        EXPECT_TRUE(test::waitFor(store.settleImported(id)));
        ASSERT_EQ(store.unrecorded().size(), 1u);
        // Its keys still count as imported.
        EXPECT_TRUE(store.holding("a"));
        scheduler.advance(ImportIntentStore::retryInterval);
        QTest::qWait(50);
        EXPECT_EQ(store.unrecorded().size(), 1u);
    }
    scheduler.advance(ImportIntentStore::retryInterval);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.intents().empty(); }, 5000));
    EXPECT_TRUE(ImportLedgerStore::load().contains("b"));
}

TEST_F(ImportIntentStoreTest, BrokenOrUnreadableFilesNeverLoseHeldKeys)
{
    const QString path = ImportIntentStore::fileURL();
    const QByteArray broken = R"({"intents":[{"id":"x","state":"sent","keys":["k1","k2"],)";
    writeFile(path, broken);
    ImportIntentStore& store = restart();
    ASSERT_EQ(store.held().size(), 1u);
    EXPECT_EQ(store.keys(), QSet<QString>({"k1", "k2"})); // "x" and "sent" are no keys
    EXPECT_FALSE(store.held()[0].sessionId);
    EXPECT_TRUE(store.held()[0].recovered);
    const QStringList aside = QDir(QFileInfo(path).absolutePath()).entryList({"import-intents.json.corrupt-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readFile(QFileInfo(path).absolutePath() + "/" + aside[0]), broken);
    EXPECT_TRUE(restart().holding("k1")); // the rewritten file holds them

    QFile::remove(path);
    QDir().mkpath(path);
    ImportIntentStore::resetForTesting();
    EXPECT_TRUE(ImportIntentStore::instance().ensureLoaded());
    QDir().rmdir(path);
}

// Each intent of a damaged file is recovered on its own, and only strings of "keys" are keys.
TEST(ImportIntentRecovery, KeepsWhatEachIntentStillSays)
{
    ImportIntent whole;
    whole.id = QUuid::fromString(QStringLiteral("6f1c2a4e-0000-4000-8000-000000000001"));
    whole.state = ImportIntent::State::sent;
    whole.sessionId = "sess-1";
    whole.workspaceId = "ws-1";
    whole.bin = "A1";
    whole.keys = {"a1", "a2"};
    whole.printings = 2;
    whole.createdAt = QDateTime::fromString("2026-12-11T10:00:00.000Z", Qt::ISODateWithMs);
    ImportIntent second = whole;
    second.id = QUuid::fromString(QStringLiteral("6f1c2a4e-0000-4000-8000-000000000002"));
    second.sessionId = "sess-2";
    second.keys = {"b1", "b2", "b3"};
    second.printings = 3;
    const QByteArray file = ImportIntentList{{whole, second}}.encoded();
    const qsizetype secondAt = file.indexOf(R"({"bin")", 1 + file.indexOf(R"({"bin")"));

    struct Expected {
        std::vector<QString> keys;
        ImportIntent::State state;
        std::optional<QString> sessionId;
        int printings;
        bool recovered;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        std::vector<Expected> intents; // empty: nothing recoverable
    };
    auto edit = [&](const QByteArray& from, const QByteArray& to) {
        QByteArray out = file;
        return out.replace(out.indexOf(from, secondAt), from.size(), to);
    };
    const Expected firstIntact{{"a1", "a2"}, ImportIntent::State::sent, "sess-1", 2, false};
    const std::vector<Case> cases = {
        {"an unknown state is held", edit(R"("state":"sent")", R"("state":"queued")"),
         {firstIntact, {{"b1", "b2", "b3"}, ImportIntent::State::sent, "sess-2", 3, true}}},
        {"a count written as text", edit(R"("printings":3)", R"("printings":"3")"),
         {firstIntact, {{"b1", "b2", "b3"}, ImportIntent::State::sent, "sess-2", 3, true}}},
        {"an id that is not a UUID", edit(R"("id":"6f1c2a4e-0000-4000-8000-000000000002")", R"("id":"no")"),
         {firstIntact, {{"b1", "b2", "b3"}, ImportIntent::State::sent, "sess-2", 3, true}}},
        {"keys of the wrong type beside whole ones", edit(R"("b2")", "17"),
         {firstIntact, {{"b1", "b3"}, ImportIntent::State::sent, "sess-2", 3, true}}},
        {"cut inside a key: the cut key and the members after it are lost",
         file.left(file.indexOf("b2") + 1), {firstIntact, {{"b1"}, ImportIntent::State::sent, std::nullopt, 0, true}}},
        {"cut inside a count: a number that may be cut is not read",
         file.left(file.indexOf(R"("printings":3)") + 13),
         {firstIntact, {{"b1", "b2", "b3"}, ImportIntent::State::sent, std::nullopt, 0, true}}},
        {"damage in the first intent: the second is whole",
         QByteArray(file).replace(file.indexOf("\"a2\""), 1, "#"),
         {{{"a1"}, ImportIntent::State::sent, std::nullopt, 0, true},
          {{"b1", "b2", "b3"}, ImportIntent::State::sent, "sess-2", 3, false}}},
        {"no key anywhere", R"({"intents":[{"id":"x","state":"sent","sessionId":"s")", {}},
        {"not JSON at all", "\x00\x01garbage", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ImportIntentList::decodeStrict(c.bytes));
        const std::optional<ImportIntentList> recovered = ImportIntentList::recover(c.bytes);
        if (c.intents.empty()) {
            EXPECT_FALSE(recovered);
            continue;
        }
        ASSERT_TRUE(recovered);
        ASSERT_EQ(recovered->intents.size(), c.intents.size());
        for (size_t i = 0; i < c.intents.size(); ++i) {
            const ImportIntent& got = recovered->intents[i];
            EXPECT_EQ(got.keys, c.intents[i].keys) << i;
            EXPECT_EQ(got.state, c.intents[i].state) << i;
            EXPECT_EQ(got.sessionId, c.intents[i].sessionId) << i;
            EXPECT_EQ(got.printings, c.intents[i].printings) << i;
            EXPECT_EQ(got.recovered, c.intents[i].recovered) << i;
            EXPECT_FALSE(got.id.isNull());
        }
        // What is rewritten reads back strictly, the mark included.
        EXPECT_EQ(ImportIntentList::decodeStrict(recovered->encoded()), recovered);
    }
}

} // namespace
