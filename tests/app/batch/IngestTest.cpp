#include "app/batch/CaptureViewModel.h"

#include "BatchTestKit.h"
#include "support/CapturedLog.h"
#include "support/FakeFolderPicker.h"
#include "support/MarkerRecognizer.h"
#include "app/batch/BatchSession.h"
#include "app/batch/SessionStore.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "core/intake/FolderWatcher.h"
#include "core/reading/CollectorMatching.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/support/CaptureLog.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/RecordingResolver.h"
#include "support/SyntheticScan.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/WaitFor.h"
#include "support/CaptureViewModelTestAccess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

namespace vantry {
namespace {

using test::makeCandidate;

RecognitionOutcome outcome(std::vector<Candidate> candidates, std::optional<QString> set = std::nullopt,
                           std::optional<QString> number = std::nullopt)
{
    RecognitionOutcome o;
    o.candidates = std::move(candidates);
    o.attribution.setCode = std::move(set);
    // A number here stands for a complete strip read with the card's title above it: what an
    // automatic confirmation needs.
    o.attribution.collectorNumberIsComplete = number.has_value();
    if (number && !o.candidates.empty())
        o.attribution.title = o.candidates.front().name;
    o.attribution.collectorNumber = std::move(number);
    return o;
}

class IngestTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler scheduler;
    std::shared_ptr<test::MarkerRecognizer> recognizer = std::make_shared<test::MarkerRecognizer>();
    std::shared_ptr<test::FakeFolderPicker> picker = std::make_shared<test::FakeFolderPicker>();
    QString folder = home.file("scans");

    IngestTest()
    {
        ImportLedgerStore::resetForTesting();
        ImportIntentStore::resetForTesting();
        recognizer->answer = [](int marker, ScanFinish finish) {
            switch (marker) {
            case 10:
                return outcome({makeCandidate("bolt", "Lightning Bolt", "M21", "162", 0.99)}, QStringLiteral("M21"),
                               QStringLiteral("162"));
            case 20:
                return outcome({makeCandidate("a", "Shock", "M21", "159", 0.6),
                                makeCandidate("b", "Shock", "M20", "160", 0.58)});
            case 99:
                return RecognitionOutcome{};
            default:
                return test::MarkerRecognizer::defaultAnswer(marker, finish);
            }
        };
    }
    ~IngestTest() override
    {
        ImportLedgerStore::resetForTesting();
        ImportIntentStore::resetForTesting();
    }

    std::shared_ptr<CaptureViewModel> makeModel(std::function<qint64()> clockNs = {})
    {
        CaptureViewModel::Collaborators c;
        c.recognizer = recognizer;
        c.resolver = std::make_shared<test::RecordingResolver>();
        c.artMatcher = std::shared_ptr<const ArtCardMatching>();
        c.scheduler = &scheduler;
        c.clockNs = std::move(clockNs);
        c.folderPicker = picker;
        return CaptureViewModel::create(nullptr, std::move(c));
    }

    QString scan(const QString& name) const { return folder + QLatin1Char('/') + name; }

    static QStringList logLinesContaining(const QString& part)
    {
        return test::capturedLogLines().filter(part);
    }
};

TEST_F(IngestTest, FolderOfScansBecomesRowsDispositionsStatusAndLogLines)
{
    test::writeMarkedScan(scan("01.png"), 10);
    test::writeMarkedScan(scan("02.png"), 20);
    QFile::copy(scan("01.png"), scan("03.png"));               // a byte copy
    test::writeTwoCardScan(scan("04.png"));
    test::writeFile(scan("05.png"), "this is no image");
    test::writeMarkedScan(scan("06.png"), 99); // read, but nothing matched
    const auto model = makeModel();

    test::waitFor(model->importFromFolder(folder));

    const auto& rows = model->rows();
    ASSERT_EQ(rows.size(), 5u);
    struct Expect {
        int index;
        Disposition disposition;
        bool chosen, multiFeed, noText, thumbnail;
        std::optional<QString> note;
    };
    const QString multiFeedNote =
        QStringLiteral("Looks like a multi-feed (two cards in one scan) \u2014 rescan this card on its own.");
    const std::vector<Expect> expected{
        {0, Disposition::autoConfirm, true, false, false, true, std::nullopt},
        {1, Disposition::review, false, false, false, true, std::nullopt},
        {3, Disposition::unresolved, false, true, false, true, multiFeedNote},
        {4, Disposition::unresolved, false, false, true, false, unreadableNote(CardAttribution{})},
        {5, Disposition::unresolved, false, false, true, true, unreadableNote(CardAttribution{})},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& row = rows[i];
        EXPECT_EQ(row.card.index, expected[i].index);
        EXPECT_EQ(row.disposition, expected[i].disposition);
        EXPECT_EQ(row.chosen.has_value(), expected[i].chosen);
        EXPECT_EQ(row.isMultiFeed, expected[i].multiFeed);
        EXPECT_EQ(row.noTextDetected, expected[i].noText);
        EXPECT_EQ(row.thumbnail.has_value(), expected[i].thumbnail);
        EXPECT_EQ(row.readNote, expected[i].note);
        EXPECT_TRUE(row.contentHash);
    }
    EXPECT_EQ(rows[0].chosen->scryfallId, QStringLiteral("bolt"));
    EXPECT_EQ(rows[1].candidates.size(), 2u);
    // The cropped card reached recognition (the marker reads only from the card), and a
    // scan that matched nothing was tried once more whole. Cards are read several at once, so
    // the calls end in any order.
    QList<std::optional<int>> markers;
    for (const auto& call : *recognizer->calls)
        markers << call.marker;
    std::sort(markers.begin(), markers.end());
    EXPECT_EQ(markers, (QList<std::optional<int>>{std::nullopt, 10, 20, 99}));

    // The run's closing line says what came in, then the batch's tally.
    EXPECT_EQ(model->statusMessage(),
              QStringLiteral("Read 6 scans, 5 new \u00B7 5 cards \u00B7 1 confirmed \u00B7 1 auto-confirmed \u00B7 4 "
                             "need review \u00B7 1 duplicate scan skipped \u00B7 1 multi-feed"));
    EXPECT_FALSE(model->isWorking());
    EXPECT_FALSE(model->progress());
    EXPECT_EQ(model->lastIngestDuplicateCount(), 1);

    ASSERT_EQ(logLinesContaining("ingest START").size(), 1);
    EXPECT_TRUE(
        logLinesContaining("ingest START").front().endsWith("ingest START n=6 append=false rows=0 admitted=0 bin="));
    const QStringList dup = logLinesContaining("card 2 SKIP duplicate-scan prep=");
    ASSERT_EQ(dup.size(), 1);
    EXPECT_TRUE(dup.front().endsWith(" hash=" + rows[0].scanIdentityHash->left(12) + " file=03.png"))
        << dup.front().toStdString();
    const QStringList card0 = logLinesContaining("card 0 prep=");
    ASSERT_EQ(card0.size(), 1);
    EXPECT_TRUE(card0.front().contains(QRegularExpression(
        "card 0 prep=\\d+ms recog=\\d+ms cands=1 disp=auto validate=pass strip=set:M21 coll:162 title:read$")))
        << card0.front().toStdString();
    const QStringList end = logLinesContaining("ingest END");
    ASSERT_EQ(end.size(), 1);
    EXPECT_TRUE(end.front().contains(QRegularExpression(
        "recognized=4 recogTotal=\\d+ms recogAvg=\\d+ms auto=1 review=1 unresolved=3 skipped=0 duplicates=1 "
        "multiFeed=1 rows=5 admitted=5$")))
        << end.front().toStdString();
}

TEST_F(IngestTest, ScansInTheLedgerAndAgainInTheBatchAreSkipped)
{
    test::writeMarkedScan(scan("01.png"), 10);
    test::writeMarkedScan(scan("02.png"), 20);
    ImportLedgerStore::record({*ImportLedgerStore::hash(scan("01.png"))});
    const auto model = makeModel();

    test::waitFor(model->importFromFolder(folder));
    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->lastIngestSkippedCount(), 1);
    EXPECT_TRUE(model->statusMessage().endsWith(QStringLiteral(" \u00B7 1 already imported (skipped)")));
    EXPECT_EQ(logLinesContaining("card 0 SKIP already-imported prep=").size(), 1);

    // The same scan arriving again from the watched folder is a duplicate, also after its row was removed.
    test::testAccess(*model).setRows({});
    test::waitFor(model->ingest({ScannedCard{0, scan("02.png"), std::nullopt}},
                                IngestOptions{.append = true, .showProgress = true, .autoImport = true}));
    EXPECT_TRUE(model->rows().empty());
    EXPECT_EQ(model->lastIngestDuplicateCount(), 1);
    EXPECT_EQ(model->statusMessage(),
              QStringLiteral("The 1 scan that came in was already read into this batch; nothing new."));
}

// A folder whose scans were all imported before says so, during the run and after it, instead
// of leaving an empty list; the word goes once the batch's cards change.
TEST_F(IngestTest, AFolderImportedBeforeSaysSoInsteadOfAnEmptyList)
{
    for (int i = 0; i < 3; ++i) {
        test::writeMarkedScan(scan(QStringLiteral("%1.png").arg(i)), 10 + i);
        ImportLedgerStore::record({*ImportLedgerStore::hash(scan(QStringLiteral("%1.png").arg(i)))});
    }
    const auto model = makeModel();
    QStringList statuses;
    QObject::connect(model.get(), &CaptureViewModel::statusMessageChanged,
                     [&] { statuses << model->statusMessage(); });

    test::waitFor(model->importFromFolder(folder));
    EXPECT_TRUE(model->rows().empty());
    const QString nothingNew = "All 3 scans in this folder were imported before; nothing new.";
    EXPECT_EQ(statuses, (QStringList{"Reading 3 scans\u2026", nothingNew}));
    EXPECT_EQ(model->lastRunNothingNew(), nothingNew);

    // The same in recount mode: the run is the same run.
    test::testAccess(*model).setReplaceMode(true);
    test::waitFor(model->importFromFolder(folder));
    EXPECT_EQ(model->statusMessage(), nothingNew);

    test::testAccess(*model).setRows({CaptureViewModel::Row{}});
    EXPECT_EQ(model->lastRunNothingNew(), std::nullopt);
}

TEST_F(IngestTest, CardsDiscardedByANewBatchComeBackWhenTheFolderIsImportedAgain)
{
    // The New Batch question promises it: only imported scans are remembered.
    test::writeMarkedScan(scan("01.png"), 10);
    test::writeMarkedScan(scan("02.png"), 20);
    const auto model = makeModel();
    test::waitFor(model->importFromFolder(folder));
    ASSERT_EQ(model->rows().size(), 2u);

    model->startNewBatch();
    test::waitFor(model->importFromFolder(folder));
    EXPECT_EQ(model->rows().size(), 2u);
    EXPECT_EQ(model->lastIngestDuplicateCount(), 0);
}

TEST_F(IngestTest, DuplexFolderPairsFrontsAndBacks)
{
    SettingsStore::standard()->setBoolean(SettingsKeys::duplex, true);
    test::writeMarkedScan(scan("p1.png"), 10);
    test::writeMarkedScan(scan("p2.png"), 11);
    test::writeMarkedScan(scan("p3.png"), 40);
    test::writeMarkedScan(scan("p4.png"), 41);
    const auto model = makeModel();

    test::waitFor(model->importFromFolder(folder));
    ASSERT_EQ(model->rows().size(), 2u);
    EXPECT_EQ(model->rows()[0].card.back, scan("p2.png"));
    EXPECT_EQ(model->rows()[1].card.back, scan("p4.png"));
    ASSERT_EQ(recognizer->calls->size(), 2);
    EXPECT_TRUE(recognizer->calls->at(0).hadBackLoader);
    EXPECT_EQ(model->rows()[1].chosen->scryfallId, QStringLiteral("card-40"));
}

TEST_F(IngestTest, RowsAndProgressArePublishedAtMostOncePerInterval)
{
    for (int i = 0; i < 10; ++i)
        test::writeMarkedScan(scan(QStringLiteral("%1.png").arg(i, 2, 10, QLatin1Char('0'))), 10 + i);
    const auto model = makeModel([] { return qint64(0); }); // every card within the same instant
    QSignalSpy rows(model.get(), &CaptureViewModel::rowsChanged);
    std::vector<std::optional<CaptureViewModel::Progress>> progress;
    QObject::connect(model.get(), &CaptureViewModel::progressChanged, [&] { progress.push_back(model->progress()); });
    std::vector<std::size_t> published;
    QObject::connect(model.get(), &CaptureViewModel::rowsChanged, [&] { published.push_back(model->rows().size()); });

    test::waitFor(model->importFromFolder(folder));

    // Cleared, the first row at once, the rest in the closing flush.
    EXPECT_EQ(published, (std::vector<std::size_t>{0, 1, 10}));
    using P = CaptureViewModel::Progress;
    EXPECT_EQ(progress, (std::vector<std::optional<P>>{P{0, 10}, P{9, 10}, std::nullopt}));
}

TEST_F(IngestTest, EmptyCardListOnlySaysSo)
{
    const auto model = makeModel();
    test::testAccess(*model).setRows({CaptureViewModel::Row{}});
    test::waitFor(model->ingest({}, IngestOptions{.append = true, .showProgress = true, .autoImport = true}));
    EXPECT_EQ(model->statusMessage(), QString());
    test::waitFor(model->importFromFolder(home.file("missing-folder")));
    EXPECT_EQ(model->statusMessage(), QStringLiteral("No images found."));
    EXPECT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->ingestGeneration(), 0);
    EXPECT_FALSE(model->isWorking());
}

TEST_F(IngestTest, IngestSupersededByAFolderImportStopsAndAddsNothing)
{
    test::writeMarkedScan(home.file("watched/01.png"), 10);
    test::writeMarkedScan(home.file("watched/02.png"), 40);
    test::writeMarkedScan(scan("01.png"), 20);
    const auto hold = std::make_shared<test::RecognitionHold>();
    recognizer->gate = test::holdRecognitions(hold);
    const auto model = makeModel();

    bool watchedDone = false;
    // Named: the coroutine reads its captures from the closure, which must outlive it.
    auto runWatched = [&]() -> QCoro::Task<> {
        co_await model->ingest({ScannedCard{0, home.file("watched/01.png"), std::nullopt},
                                ScannedCard{1, home.file("watched/02.png"), std::nullopt}},
                               IngestOptions{.append = true, .showProgress = true, .autoImport = true});
        watchedDone = true;
    };
    auto watched = runWatched();
    // Its other card may be at its recognition too (cards are read several at once).
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold->calls >= 1; }, 5000));

    test::waitFor(model->importFromFolder(folder));
    hold->open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watchedDone; }, 5000));

    ASSERT_EQ(model->rows().size(), 1u);
    EXPECT_EQ(model->rows()[0].candidates.front().scryfallId, QStringLiteral("a"));
    EXPECT_EQ(logLinesContaining("ingest CANCEL stale generation=0 current=1").size(), 1);
    EXPECT_EQ(logLinesContaining("ingest END").size(), 2);
    EXPECT_FALSE(model->isWorking());
}

QCoro::Task<> runTo(QCoro::Task<> task, std::shared_ptr<bool> done)
{
    co_await std::move(task);
    *done = true;
}

// Ingests that add to the batch overlap (a watched batch while Import Folder runs): the batch
// stays busy, without flicker, until the last of them ends, whatever order they end in.
TEST_F(IngestTest, OverlappingIngestsKeepTheBatchBusyUntilTheLastEnds)
{
    struct Case {
        const char* what;
        std::vector<int> endOrder; // the ingests by the order they started
    };
    const Case cases[] = {
        {"the first ends first", {0, 1}},
        {"the second ends first", {1, 0}},
        {"three, the middle one first", {1, 2, 0}},
    };
    int marker = 30;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto model = makeModel();
        const auto turns = std::make_shared<test::RecognitionTurns>();
        const std::size_t n = c.endOrder.size();
        turns->released.assign(n, false);
        recognizer->gate = test::recognitionsInTurn(turns);
        QList<bool> published; // every value the busy state was published with
        QObject::connect(model.get(), &CaptureViewModel::isWorkingChanged, model.get(),
                         [&] { published << model->isWorking(); });

        std::vector<QCoro::Task<>> running;
        std::vector<std::shared_ptr<bool>> done;
        for (std::size_t i = 0; i < n; ++i) {
            const QString path = scan(QStringLiteral("overlap-%1.png").arg(marker));
            test::writeMarkedScan(path, marker++);
            done.push_back(std::make_shared<bool>(false));
            const IngestOptions options{.append = true, .showProgress = true, .autoImport = false};
            running.push_back(runTo(model->ingest({ScannedCard{int(i), path, std::nullopt}}, options), done[i]));
            // Each is at its recognition before the next starts, so turns follow start order.
            ASSERT_TRUE(QTest::qWaitFor([&] { return turns->calls == int(i) + 1; }, 5000));
        }
        EXPECT_TRUE(model->isWorking());
        for (std::size_t k = 0; k < n; ++k) {
            const int ingest = c.endOrder[k];
            turns->released[std::size_t(ingest)] = true;
            ASSERT_TRUE(QTest::qWaitFor([&] { return *done[std::size_t(ingest)]; }, 5000));
            EXPECT_EQ(model->isWorking(), k + 1 < n) << "after ingest " << ingest << " ended";
        }
        EXPECT_FALSE(model->progress());
        EXPECT_EQ(published.count(false), 1); // idle only at the very end
        EXPECT_EQ(model->rows().size(), n);
    }
}

TEST_F(IngestTest, ClosingATabMidIngestNeitherCrashesNorAddsRows)
{
    test::writeMarkedScan(scan("01.png"), 10);
    const auto hold = std::make_shared<test::RecognitionHold>();
    recognizer->gate = test::holdRecognitions(hold);
    std::weak_ptr<CaptureViewModel> model;
    auto store = std::make_unique<SessionStore>([&](const QString& path) {
            BatchSession::Parts parts;
            parts.viewModel = makeModel();
            parts.watcher = std::make_unique<FolderWatcher>();
            parts.scanner = std::make_unique<ScannerController>(
                [] { return std::unique_ptr<ScannerBrowser>(std::make_unique<FakeScannerBrowser>()); }, scheduler);
            return std::make_shared<BatchSession>(std::move(parts), path);
        });
    BatchSession& tab = store->addSession();
    model = tab.viewModel();
    bool done = false;
    // Only the ingest itself holds the model.
    auto run = [&](CaptureViewModel* vm) -> QCoro::Task<> {
        co_await vm->ingest({ScannedCard{0, scan("01.png"), std::nullopt}},
                            IngestOptions{.append = true, .showProgress = true, .autoImport = true});
        done = true;
    };
    auto task = run(tab.viewModel().get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold->calls == 1; }, 5000));

    store->close(tab.id());
    ASSERT_EQ(store->sessions().size(), 1u);
    EXPECT_FALSE(model.expired()); // the running ingest keeps it
    hold->open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    EXPECT_TRUE(model.expired());
    EXPECT_EQ(logLinesContaining("ingest CANCEL stale generation=0 current=1").size(), 1);
}

TEST_F(IngestTest, BadInputBecomesRowsNeverACrash)
{
    test::writeMarkedScan(scan("01.png"), 10);
    QByteArray truncated = test::readFile(scan("01.png"));
    truncated.truncate(truncated.size() / 3);
    test::writeFile(scan("02.png"), truncated);
    test::writeFile(scan("03.png"), QByteArray());
    test::writeMarkedScan(scan("04.png"), 40);
    // A ledger that is not JSON reads as empty: nothing is skipped.
    test::writeFile(ImportLedgerStore::fileURL(), "{{{ not json");
    ImportLedgerStore::resetForTesting();
    const auto model = makeModel();

    // A PNG header announcing 100000 x 100000 pixels and no pixel data.
    QByteArray huge = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000");
    huge += QByteArray::fromHex("00000000"); // its checksum is wrong too
    test::writeFile(scan("06.png"), huge);
    // 05 vanishes between listing and reading.
    std::vector<ScannedCard> cards;
    for (int i = 1; i <= 6; ++i)
        cards.push_back({i - 1, scan(QStringLiteral("0%1.png").arg(i)), std::nullopt});
    test::waitFor(model->ingest(cards, IngestOptions{.append = false, .showProgress = true, .autoImport = true}));

    const auto& rows = model->rows();
    ASSERT_EQ(rows.size(), 6u);
    for (int i : {1, 2, 4, 5}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].disposition, Disposition::unresolved);
        EXPECT_TRUE(rows[i].noTextDetected);
        EXPECT_FALSE(rows[i].thumbnail);
    }
    EXPECT_FALSE(rows[4].contentHash); // nothing to hash, never a duplicate
    EXPECT_TRUE(rows[0].chosen);
    EXPECT_TRUE(rows[3].chosen);
    EXPECT_EQ(model->statusMessage(),
              QStringLiteral("Read 6 scans, 6 new \u00B7 6 cards \u00B7 2 confirmed \u00B7 2 auto-confirmed \u00B7 4 "
                             "need review"));
}

TEST_F(IngestTest, ScansLeftOutAreNamedWithTheirReasonAndAFileFarLargerThanAnyScanIsNeverRead)
{
    // An 8 GiB sparse file with a scan's name: refused before a byte of it is read.
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile huge(scan("01.png"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(8) * 1024 * 1024 * 1024));
    }
    test::writeMarkedScan(scan("02.png"), 10);
    // A name that is not UTF-8 (Latin-1 "é" from an old scanner).
    test::writeMarkedScan(scan("03.png"), 20);
    ASSERT_EQ(::rename(QFile::encodeName(scan("03.png")).constData(),
                       QByteArray(QFile::encodeName(folder) + "/03-caf\xe9.png").constData()),
              0);

    struct Case {
        const char* what;
        bool duplex;
        std::vector<QString> fronts;
        QString status;
    };
    const QString badName = "03-caf\uFFFD.png (its file name is not valid UTF-8 \u2014 rename it)";
    const QString tooLarge = "01.png (larger than 512 MiB, far more than any scan)";
    const std::vector<Case> cases = {
        {"single", false, {scan("02.png")},
         "Read 2 scans, 1 new \u00B7 1 card \u00B7 1 confirmed \u00B7 1 auto-confirmed \u00B7 0 need review \u00B7 2 "
         "files left out: " + badName + ", " + tooLarge},
        // Pairs 01+02 and 03 alone: the card of the large front goes whole, its back named too.
        {"duplex", true, {},
         "No cards left in this batch. 3 files left out: " + badName + ", " + tooLarge +
             ", 02.png (the other side of its card was left out)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsStore::standard()->setBoolean(SettingsKeys::duplex, c.duplex);
        ImportLedgerStore::resetForTesting();
        const auto model = makeModel();
        test::waitFor(model->importFromFolder(folder));
        std::vector<QString> fronts;
        for (const auto& row : model->rows())
            fronts.push_back(row.card.front);
        EXPECT_EQ(fronts, c.fronts);
        EXPECT_EQ(model->statusMessage().toStdString(), c.status.toStdString());
        EXPECT_FALSE(logLinesContaining("SKIP too-large file=01.png").isEmpty());

        // A new batch forgets them.
        model->startNewBatch();
        EXPECT_TRUE(model->leftOutScans().empty());
    }
    // Qt's own removal cannot name it either.
    ::unlink(QByteArray(QFile::encodeName(folder) + "/03-caf\xe9.png").constData());
}

TEST_F(IngestTest, RealTextRecognitionReadsSyntheticCards)
{
    auto resolver = std::make_shared<test::RecordingResolver>();
    resolver->onSet = [](const QString& set, const QString& number, ScanFinish finish, const auto&) {
        std::vector<Candidate> found;
        if (set == "M21" && number.toInt() == 162)
            found.push_back(makeCandidate("bolt", "Lightning Bolt", "M21", "162", 1.0, finish));
        if (set == "NEO" && number.toInt() == 123)
            found.push_back(makeCandidate("guide", "Goblin Guide", "NEO", "123", 1.0, finish));
        return found;
    };
    QDir().mkpath(folder);
    ASSERT_TRUE(test::saveSyntheticScan(test::SyntheticCard::modern("Lightning Bolt", "M21", "0162"), scan("01.png")));
    ASSERT_TRUE(test::saveSyntheticScan(test::SyntheticCard::modern("Goblin Guide", "NEO", "0123"), scan("02.png")));
    CaptureViewModel::Collaborators c;
    c.resolver = resolver;
    c.artMatcher = std::shared_ptr<const ArtCardMatching>();
    c.scheduler = &scheduler;
    const auto model = CaptureViewModel::create(nullptr, std::move(c));

    test::waitFor(model->importFromFolder(folder));

    ASSERT_EQ(model->rows().size(), 2u);
    EXPECT_EQ(model->chosen().size(), 2u) << model->statusMessage().toStdString();
    EXPECT_EQ(model->rows()[0].chosen->scryfallId, QStringLiteral("bolt"));
    EXPECT_EQ(model->rows()[1].chosen->scryfallId, QStringLiteral("guide"));
}

} // namespace
} // namespace vantry
