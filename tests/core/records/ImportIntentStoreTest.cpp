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
    EXPECT_TRUE(store.holding("k1"));
    EXPECT_TRUE(store.holding("k2"));
    EXPECT_FALSE(store.held()[0].sessionId);
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

} // namespace
