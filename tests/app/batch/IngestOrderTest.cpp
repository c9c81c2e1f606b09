// Several cards of one ingest run in flight at once: whatever order their recognitions end
// in, the run admits, counts, logs and publishes them in card order, keeps to its window,
// catches a copy inside the run, and adds nothing once a newer batch has replaced it.
#include "app/batch/CaptureViewModel.h"

#include "BatchTestKit.h"
#include "core/records/ImportIntentStore.h"
#include "core/records/ImportLedgerStore.h"
#include "core/support/CaptureLog.h"
#include "platform/VirtualDelayScheduler.h"
#include "support/CapturedLog.h"
#include "support/MarkerRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"
#include "support/WaitFor.h"

#include <QCoroTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

// Answers a recognition only once the test releases the card's marker, so that cards finish
// in the order the test picks. Notes every call ("ask <marker>") and answer ("answer
// <marker>") in one list, in the order they happen.
class ReleasedRecognizer final : public CardRecognizing {
public:
    struct State {
        QStringList events;
        QSet<int> released;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    QCoro::Task<RecognitionOutcome> recognize(QImage image, ScanFinish finish, BackLoader back = {},
                                              CPULane lane = CPULane::ordinary) const override
    {
        const auto s = state;
        const int marker = test::MarkerRecognizer::readMarker(image).value_or(-1);
        s->events << QStringLiteral("ask %1").arg(marker);
        while (!s->released.contains(marker))
            co_await QCoro::sleepFor(std::chrono::milliseconds(2));
        s->events << QStringLiteral("answer %1").arg(marker);
        co_return test::MarkerRecognizer::defaultAnswer(marker, finish);
    }
};

class IngestOrderTest : public ::testing::Test {
protected:
    test::TempHome home;
    VirtualDelayScheduler scheduler;

    IngestOrderTest()
    {
        ImportLedgerStore::resetForTesting();
        ImportIntentStore::resetForTesting();
    }
    ~IngestOrderTest() override
    {
        ImportLedgerStore::resetForTesting();
        ImportIntentStore::resetForTesting();
    }

};

// Each case writes its scans ("m<n>": a card with marker n; "copy <k>": the bytes of scan k;
// "bad": no image at all; "imported m<n>": a card already in the import ledger), ingests them
// with a window of three, and plays its script: "answer <n>" waits for the recognition of
// marker n and lets it answer, "asked <n>" waits for that recognition to be asked, and
// "supersede" makes the run stale as a newer batch does.
TEST_F(IngestOrderTest, CardsAreCountedAndPublishedInCardOrderWhateverOrderTheyFinishIn)
{
    struct Case {
        const char* what;
        QStringList scans;
        QStringList script;
        QStringList events;     // every ask and answer of the recognizer, in order
        QStringList rows;       // each row's first candidate, "-" for none
        QStringList cardLines;  // the run's card lines, as "card <i> prep=" or "card <i> SKIP <reason>"
        bool cancelled = false;
        qint64 skipped = 0, duplicates = 0;
    };
    const Case cases[] = {
        {"cards finishing out of order",
         {"m1", "m2", "m3", "m4", "m5"},
         {"answer 3", "answer 2", "answer 1", "answer 5", "answer 4"},
         // The window is full until the first card is through; then the next two start.
         {"ask 1", "ask 2", "ask 3", "answer 3", "answer 2", "answer 1", "ask 4", "ask 5", "answer 5", "answer 4"},
         {"card-1", "card-2", "card-3", "card-4", "card-5"},
         {"card 0 prep=", "card 1 prep=", "card 2 prep=", "card 3 prep=", "card 4 prep="}},
        {"a copy inside the run, caught while the first is still being read",
         {"m1", "m2", "copy 0", "m4"},
         {"answer 2", "answer 1", "answer 4"},
         {"ask 1", "ask 2", "answer 2", "answer 1", "ask 4", "answer 4"},
         {"card-1", "card-2", "card-4"},
         {"card 0 prep=", "card 1 prep=", "card 2 SKIP duplicate-scan", "card 3 prep="},
         false, 0, 1},
        {"a run superseded mid-way",
         {"m1", "m2", "m3", "m4", "m5"},
         {"asked 3", "answer 1", "asked 4", "supersede", "answer 2", "answer 3", "answer 4"},
         // The first row is out before the newer batch; nothing after it, and no fifth card.
         {"ask 1", "ask 2", "ask 3", "answer 1", "ask 4", "answer 2", "answer 3", "answer 4"},
         {"card-1"},
         {"card 0 prep="},
         true},
        {"a scan that does not prepare, and one already imported",
         {"m1", "bad", "m3", "imported m4"},
         {"answer 3", "answer 1"},
         {"ask 1", "ask 3", "answer 3", "answer 1"},
         {"card-1", "-", "card-3"},
         {"card 0 prep=", "card 1 prep=", "card 2 prep=", "card 3 SKIP already-imported"},
         false, 1, 0},
    };
    int caseNumber = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = home.file(QStringLiteral("case%1").arg(++caseNumber));
        std::vector<ScannedCard> cards;
        for (const QString& scan : c.scans) {
            const QString path = folder + QStringLiteral("/%1.png").arg(cards.size(), 2, 10, QLatin1Char('0'));
            if (scan.startsWith(QStringLiteral("copy ")))
                ASSERT_TRUE(QFile::copy(cards[std::size_t(scan.mid(5).toInt())].front, path));
            else if (scan == QStringLiteral("bad"))
                test::writeFile(path, "no image at all");
            else
                test::writeMarkedScan(path, scan.section(QLatin1Char('m'), -1).toInt());
            if (scan.startsWith(QStringLiteral("imported ")))
                ImportLedgerStore::record({*ImportLedgerStore::hash(path)});
            cards.push_back(ScannedCard{int(cards.size()), path, std::nullopt});
        }
        const auto recognizer = std::make_shared<ReleasedRecognizer>();
        CaptureViewModel::Collaborators collaborators;
        collaborators.recognizer = recognizer;
        collaborators.resolver = std::make_shared<test::RecordingResolver>();
        collaborators.artMatcher = std::shared_ptr<const ArtCardMatching>();
        collaborators.scheduler = &scheduler;
        collaborators.clockNs = [] { return qint64(0); }; // every card within one instant
        collaborators.ingestWindow = 3;
        const auto model = CaptureViewModel::create(nullptr, std::move(collaborators));
        const qsizetype logStart = test::capturedLogLines().size();

        bool done = false;
        auto run = [&]() -> QCoro::Task<> {
            co_await model->ingest(cards, IngestOptions{.append = true, .showProgress = true, .autoImport = false});
            done = true;
        };
        auto running = run();
        const QStringList& events = recognizer->state->events;
        for (const QString& step : c.script) {
            const QString marker = step.section(QLatin1Char(' '), 1);
            if (step == QStringLiteral("supersede")) {
                model->cancelIngests();
                continue;
            }
            ASSERT_TRUE(QTest::qWaitFor([&] { return events.contains("ask " + marker); }, 10000))
                << step.toStdString() << " after " << events.join(", ").toStdString();
            if (step.startsWith(QStringLiteral("answer "))) {
                recognizer->state->released.insert(marker.toInt());
                ASSERT_TRUE(QTest::qWaitFor([&] { return events.contains("answer " + marker); }, 10000));
            }
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));

        EXPECT_EQ(events.join(", ").toStdString(), c.events.join(", ").toStdString());
        QStringList rows;
        for (const CaptureViewModel::Row& row : model->rows())
            rows << (row.candidates.empty() ? QStringLiteral("-") : row.candidates.front().scryfallId);
        EXPECT_EQ(rows.join(", ").toStdString(), c.rows.join(", ").toStdString());
        QStringList cardLines;
        const QStringList lines = test::capturedLogLines().mid(logStart);
        static const QRegularExpression cardLine(QStringLiteral("(card \\d+ (?:prep=|SKIP [a-z-]+))"));
        for (const QString& line : lines)
            if (const auto match = cardLine.match(line); match.hasMatch())
                cardLines << match.captured(1);
        EXPECT_EQ(cardLines.join(", ").toStdString(), c.cardLines.join(", ").toStdString());
        EXPECT_EQ(lines.filter(QStringLiteral("ingest CANCEL")).size(), c.cancelled ? 1 : 0);
        EXPECT_EQ(lines.filter(QStringLiteral("ingest END")).size(), 1);
        if (!c.cancelled) {
            EXPECT_EQ(model->lastIngestSkippedCount(), c.skipped);
            EXPECT_EQ(model->lastIngestDuplicateCount(), c.duplicates);
        }
        EXPECT_FALSE(model->isWorking());
        EXPECT_FALSE(model->progress());
    }
}

} // namespace
} // namespace vantry
