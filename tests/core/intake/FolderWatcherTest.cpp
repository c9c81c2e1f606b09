#include "core/intake/FolderWatcher.h"

#include "core/support/CaptureLog.h"
#include "core/intake/ScanFileListing.h"
#include "core/intake/ScanFileOrder.h"
#include "core/intake/ScanHashes.h"
#include "platform/FakeFolderEvents.h"
#include "platform/ScanPageFile.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace vantry;
using namespace std::chrono_literals;

namespace {

// A watcher on a temporary folder, polled by hand, recording its signals in order.
struct Harness {
    test::TempHome home;
    QTemporaryDir dir;
    QString folder = dir.filePath("scans");
    FolderWatcher watcher;
    std::vector<QStringList> batches;
    QStringList events;

    explicit Harness(std::unique_ptr<FolderEvents> folderEvents = nullptr) : watcher(1h, std::move(folderEvents))
    {
        QDir().mkpath(folder);
        QObject::connect(&watcher, &FolderWatcher::cardsArrived, [this](const std::vector<ScannedCard>& cards) {
            QStringList pages;
            for (const ScannedCard& card : cards) {
                pages.append(card.front);
                if (card.back)
                    pages.append(*card.back);
            }
            batches.push_back(pages);
            QStringList names;
            for (const QString& p : pages)
                names.append(ScanFileOrder::fileName(p));
            events.append("batch " + names.join(","));
        });
        QObject::connect(&watcher, &FolderWatcher::duplicatesDropped,
                         [this](int n) { events.append("dropped " + QString::number(n)); });
        QObject::connect(&watcher, &FolderWatcher::pagesRouted, [this](int n, const QString& to) {
            events.append("routed " + QString::number(n) + " " + QFileInfo(to).fileName());
        });
        QObject::connect(&watcher, &FolderWatcher::filesLeftOut, [this](const std::vector<LeftOutScanFile>& files) {
            QStringList names;
            for (const LeftOutScanFile& f : files)
                names.append(f.name);
            events.append("left out " + names.join(","));
        });
    }

    // A file named by raw bytes, which need not be UTF-8.
    void writeRaw(const QByteArray& name)
    {
        const QByteArray full = QFile::encodeName(folder) + '/' + name;
        FILE* out = std::fopen(full.constData(), "wb");
        ASSERT_TRUE(out) << full.constData();
        std::fputs("x", out);
        std::fclose(out);
    }

    QString path(const QString& name) const { return folder + "/" + name; }

    void write(const QString& name, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(mode)) << name.toStdString();
        f.write(bytes);
    }

    // A small PNG whose pixels depend on `seed`; equal seeds give identical image data.
    void png(const QString& name, int seed)
    {
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(qRgb(seed * 7 % 256, seed * 13 % 256, seed * 29 % 256));
        ASSERT_TRUE(image.save(path(name), "PNG"));
    }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            watcher.tick();
    }

    // Lets queued batches finish hashing and be handed over.
    void settle()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !watcher.isEmitting(); }, 10000));
        QCoreApplication::processEvents();
    }

    QStringList names(size_t batch) const
    {
        QStringList out;
        for (const QString& p : batches.at(batch))
            out.append(ScanFileOrder::fileName(p));
        return out;
    }

    QString log() const
    {
        CaptureLog::flush();
        QFile f(CaptureLog::filePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

TEST(FolderWatcher, PreExistingFilesNeverEmittedNewPageAfterTwoQuietPolls)
{
    Harness h;
    h.png("old.png", 1);
    h.watcher.start(h.folder);
    EXPECT_TRUE(h.watcher.isWatching());
    h.ticks(3);
    h.settle();
    EXPECT_TRUE(h.batches.empty());

    h.png("new.png", 2);
    h.ticks(1); // noticed
    EXPECT_EQ(h.watcher.pendingFileCount(), 1);
    EXPECT_EQ(h.watcher.filesSeenSinceStart(), 1);
    h.ticks(1); // first quiet poll
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    h.ticks(1); // second quiet poll: emit
    h.settle();
    ASSERT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.batches[0], QStringList{h.path("new.png")});
    EXPECT_EQ(h.watcher.batchesEmitted(), 1);
    EXPECT_EQ(h.watcher.pendingFileCount(), 0);
    ASSERT_TRUE(h.watcher.lastScanTiming().has_value());
    EXPECT_EQ(h.watcher.lastScanTiming()->fileCount, 1);

    h.ticks(5);
    h.settle();
    EXPECT_EQ(h.batches.size(), 1u);

    const QString log = h.log();
    EXPECT_TRUE(log.contains("watcher scans START entries=1 images=1 hiddenSidecars=0 routeInto=none\n"));
    EXPECT_TRUE(log.contains(QRegularExpression(
        "scan-timing arrival #1 file=new\\.png bytes=\\d+B pixels=16x12 mp=0\\.0 dpiMeta=\\S+ scannerGap=first "
        "observedGap=first pending=1\n")));
    EXPECT_TRUE(log.contains("watcher scans fresh=1 pending=1 total=2\n"));
    EXPECT_TRUE(log.contains("watcher scans EMIT batch=1 timing=files=1 first=new.png last=new.png fileSpan=0.0s"));
}

TEST(FolderWatcher, StackOverSeveralPollsIsOneBatchInNameOrder)
{
    Harness h;
    h.watcher.start(h.folder);
    h.png("page 10.png", 10);
    h.ticks(1);
    h.png("page 9.png", 9);
    h.ticks(1);
    h.ticks(1); // one quiet poll...
    h.png("Page 2.png", 2);
    h.ticks(1); // ...restarted by a new page
    h.ticks(1);
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    h.ticks(1);
    h.settle();
    ASSERT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.names(0), (QStringList{"Page 2.png", "page 9.png", "page 10.png"}));
    EXPECT_EQ(h.watcher.filesSeenSinceStart(), 3);
    EXPECT_TRUE(h.log().contains(QRegularExpression("scan-timing arrival #3 file=Page 2\\.png .* scannerGap=\\S+s "
                                                    "observedGap=\\S+s pending=3\n")));
}

TEST(FolderWatcher, GrowingAndEmptyFilesWaitUntilSettled)
{
    Harness h;
    h.watcher.start(h.folder);
    h.write("growing.jpg", QByteArray(1000, 'a'));
    h.write("empty.png", QByteArray());
    h.ticks(1);
    for (int i = 0; i < 4; ++i) { // still being written: never quiet
        h.write("growing.jpg", QByteArray(1000, 'b'), QIODevice::Append);
        h.ticks(1);
    }
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    h.ticks(2);
    h.settle();
    ASSERT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.names(0), QStringList{"growing.jpg"});
    EXPECT_EQ(h.watcher.pendingFileCount(), 1); // the empty file waits for content

    h.png("empty.png", 4);
    h.ticks(3);
    h.settle();
    ASSERT_EQ(h.batches.size(), 2u);
    EXPECT_EQ(h.names(1), QStringList{"empty.png"});
    h.ticks(4);
    h.settle();
    EXPECT_EQ(h.batches.size(), 2u);
}

TEST(FolderWatcher, IdenticalPngsDroppedJpegsKept)
{
    Harness h;
    h.watcher.start(h.folder);
    h.png("a.png", 1);
    h.png("b.png", 1);
    h.png("c.png", 2);
    h.write("d.jpg", "same bytes");
    h.write("e.jpg", "same bytes");
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, (QStringList{"dropped 1", "batch a.png,c.png,d.jpg,e.jpg"}));
}

// Each card brings its front page's pixel hash, taken before routing moved the page; a page
// that is no PNG brings none.
TEST(FolderWatcher, CardsBringTheirFrontPixelHash)
{
    Harness h;
    const QString archive = h.dir.filePath("archive");
    QDir().mkpath(archive);
    std::vector<ScannedCard> cards;
    QObject::connect(&h.watcher, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>& batch) {
        cards.insert(cards.end(), batch.begin(), batch.end());
    });
    h.watcher.start(h.folder, archive);
    h.png("a.png", 1);
    h.png("b.png", 2);
    h.write("c.jpg", "not a png");
    h.ticks(3);
    h.settle();
    ASSERT_EQ(cards.size(), 3u);
    for (const ScannedCard& card : cards)
        EXPECT_EQ(card.frontPixelHash, pngPixelHashOfFile(card.front)) << card.front.toStdString();
    EXPECT_TRUE(cards[0].frontPixelHash && cards[1].frontPixelHash);
    EXPECT_NE(cards[0].frontPixelHash, cards[1].frontPixelHash);
    EXPECT_FALSE(cards[2].frontPixelHash);
}

TEST(FolderWatcher, RoutesBatchesWithoutReplacing)
{
    Harness h;
    const QString archive = h.dir.filePath("archive");
    QDir().mkpath(archive);
    QFile taken(archive + "/a.png");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();

    h.watcher.start(h.folder, archive);
    EXPECT_EQ(h.watcher.routeInto(), archive);
    h.png("a.png", 1);
    h.png("b.png", 1);
    h.png("c.png", 3);
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, (QStringList{"dropped 1", "routed 2 archive", "batch a (2).png,c.png"}));
    EXPECT_EQ(h.batches[0], (QStringList{archive + "/a (2).png", archive + "/c.png"}));
    EXPECT_FALSE(QFile::exists(h.path("a.png")));
    EXPECT_TRUE(QFile::exists(h.path("b.png"))); // the dropped copy stays where it was
    EXPECT_TRUE(h.log().contains("START entries=0 images=0 hiddenSidecars=0 routeInto=archive\n"));

    // A page written under a routed name is new.
    h.png("c.png", 5);
    h.ticks(3);
    h.settle();
    ASSERT_EQ(h.batches.size(), 2u);
    EXPECT_EQ(h.batches[1], QStringList{archive + "/c (2).png"});
}

TEST(FolderWatcher, RouteIntoTheWatchedFolderIsIgnored)
{
    for (const QString& spelling : {QString("/"), QString("/."), QString("/../scans/")}) {
        Harness h;
        h.watcher.start(h.folder, h.folder + spelling);
        EXPECT_FALSE(h.watcher.routeInto().has_value()) << spelling.toStdString();
        h.png("a.png", 1);
        h.ticks(3);
        h.settle();
        EXPECT_EQ(h.events, QStringList{"batch a.png"});
        EXPECT_TRUE(h.log().contains("routeInto=none\n"));
    }
}

TEST(FolderWatcher, FailedRoutingStillDeliversThePages)
{
    Harness h;
    const QString notAFolder = h.dir.filePath("blocker");
    QFile blocker(notAFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    h.watcher.start(h.folder, notAFolder + "/sub");
    h.png("a.png", 1);
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch a.png"});
    EXPECT_EQ(h.batches[0], QStringList{h.path("a.png")});
    EXPECT_EQ(h.watcher.batchesEmitted(), 1);
}

TEST(FolderWatcher, PauseKeepsPagesResumeRestartsTheQuietCount)
{
    Harness h;
    h.watcher.start(h.folder);
    h.png("a.png", 1);
    h.ticks(2); // noticed, one quiet poll
    h.watcher.pause();
    EXPECT_TRUE(h.watcher.isPaused());
    h.png("b.png", 2);
    h.ticks(5); // polls do nothing while paused
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    EXPECT_EQ(h.watcher.pendingFileCount(), 1);

    h.watcher.resume(); // polls at once: b is fresh
    EXPECT_EQ(h.watcher.pendingFileCount(), 2);
    h.ticks(1);
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    h.ticks(1);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch a.png,b.png"});

    // Resuming with nothing new: the immediate poll is the first quiet one.
    h.png("c.png", 3);
    h.ticks(1);
    h.watcher.pause();
    h.watcher.resume();
    h.settle();
    EXPECT_EQ(h.batches.size(), 1u);
    h.ticks(1);
    h.settle();
    EXPECT_EQ(h.batches.size(), 2u);
}

TEST(FolderWatcher, DuplexKeepsPairsAcrossBatches)
{
    Harness h;
    h.watcher.start(h.folder, std::nullopt, ScanSides::duplex);
    h.png("s1.png", 1);
    h.png("s2.png", 2);
    h.png("s3.png", 3);
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch s1.png,s2.png"});
    EXPECT_EQ(h.watcher.pendingFileCount(), 1); // s3 waits for its back

    h.png("s4.png", 4);
    h.png("s5.png", 5);
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events.last().toStdString(), "batch s3.png,s4.png");
    EXPECT_EQ(h.watcher.pendingFileCount(), 1);

    // Stopping hands the waiting page over as a card of its own.
    h.watcher.stop();
    EXPECT_EQ(h.events.last().toStdString(), "batch s5.png");
    EXPECT_EQ(h.events.size(), 3);
}

TEST(FolderWatcher, DuplexDropsRepeatedPairsWhole)
{
    Harness h;
    h.watcher.start(h.folder, std::nullopt, ScanSides::duplex);
    h.png("p1.png", 1); // card A front
    h.png("p2.png", 2); // card A back
    h.png("p3.png", 1); // card A again
    h.png("p4.png", 2);
    h.png("p5.png", 1); // a card whose front looks like A's but whose back does not
    h.png("p6.png", 9);
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, (QStringList{"dropped 2", "batch p1.png,p2.png,p5.png,p6.png"}));
}

// A page that is late, stays empty, leaves or is renamed never makes a card take the
// back of one card and the front of the next. Script: "+3" writes page p03.png, "e3"
// writes it empty, "f3" fills it, "-3" removes it, "r3" renames it to p03r.png, "t2"
// polls twice, "T" polls as long as an empty page may wait. The cards of every batch are
// listed in order; "|" marks the stop that ends the script.
TEST(FolderWatcher, EveryCardKeepsItsOwnPagesWhenAPageIsEmptyOrGone)
{
    struct Case {
        const char* what;
        ScanSides sides;
        QString script;
        QString cards;
        QString log; // a line the log must hold
    };
    const std::vector<Case> cases = {
        {"an empty front filled later", ScanSides::duplex, "+1 +2 e3 +4 t1 +5 +6 +7 +8 t3 f3 t3",
         "p01/p02 p05/p06 p07/p08 p03/p04 |", ""},
        {"an empty back filled in the next batch", ScanSides::duplex, "+1 +2 +3 e4 t3 +5 +6 f4 t3",
         "p01/p02 p03/p04 p05/p06 |", ""},
        {"an empty page that stays empty", ScanSides::duplex, "+1 +2 +3 +4 e5 +6 +7 +8 t3 T",
         "p01/p02 p03/p04 p07/p08 p05/p06 |", ""},
        {"an empty page when scanning stops", ScanSides::duplex, "+1 +2 e3 +4 +5 t3",
         "p01/p02 | p03/p04 p05", ""},
        {"a back that vanishes", ScanSides::duplex, "+1 +2 +3 +4 +5 +6 t1 -4 t3", "p01/p02 p05/p06 |",
         "watcher scans DROP pages=p03.png,p04.png gone=p04.png\n"},
        {"a waiting front that vanishes before its back", ScanSides::duplex, "+1 +2 +3 t3 -3 t1 +4 +5 +6 t3",
         "p01/p02 p05/p06 |", "DROP pages=p03.png,p04.png gone=p03.png\n"},
        {"an empty page that vanishes", ScanSides::duplex, "+1 e2 +3 +4 t3 -2 t3", "p03/p04 |",
         "DROP pages=p01.png,p02.png gone=p02.png\n"},
        {"a page removed and written again", ScanSides::duplex, "+1 +2 +3 +4 t1 -3 t1 +3 t3", "p01/p02 p03/p04 |",
         ""},
        {"a renamed page", ScanSides::duplex, "+1 +2 +3 +4 t1 r3 t3", "p01/p02 p03r/p04 |", ""},
        {"one-sided: an empty page that stays empty", ScanSides::single, "+1 e2 +3 t3 T", "p01 p03 p02 |", ""},
    };
    auto name = [](const QString& n) { return QStringLiteral("p%1.png").arg(n.toInt(), 2, 10, QLatin1Char('0')); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        QStringList cards;
        QObject::connect(&h.watcher, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>& batch) {
            for (const ScannedCard& card : batch)
                cards << QFileInfo(card.front).baseName() +
                             (card.back ? "/" + QFileInfo(*card.back).baseName() : QString());
        });
        h.watcher.start(h.folder, std::nullopt, c.sides);
        for (const QString& step : c.script.split(' ')) {
            const QChar op = step[0];
            const QString arg = step.mid(1);
            if (op == '+' || op == 'f')
                h.png(name(arg), arg.toInt());
            else if (op == 'e')
                h.write(name(arg), QByteArray());
            else if (op == '-')
                ASSERT_TRUE(QFile::remove(h.path(name(arg))));
            else if (op == 'r')
                ASSERT_TRUE(QFile::rename(h.path(name(arg)), h.path(name(arg).replace(".png", "r.png"))));
            else if (op == 't')
                h.ticks(arg.toInt());
            else if (op == 'T')
                h.ticks(FolderWatcher::emptyPageTicks);
            h.settle();
        }
        cards << "|";
        h.watcher.stop();
        h.settle();
        EXPECT_EQ(cards.join(' ').toStdString(), c.cards.toStdString());
        if (!c.log.isEmpty())
            EXPECT_TRUE(h.log().contains(c.log)) << h.log().toStdString();
    }
}

// A change of sides while watching pairs each page by the sides in force when it landed, or
// by the sides its writer reports; no page is lost or taken as another card's back. Script
// as above, plus: "D"/"S" switch to duplex/one-sided, "P"/"R" pause/resume, "d3"/"s3" write
// page p03.png (unless there) and report it finished, scanned duplex/one-sided.
TEST(FolderWatcher, EveryPageKeepsTheSidesInForceWhenItLanded)
{
    struct Case {
        const char* what;
        ScanSides sides;
        QString script;
        QString cards;
    };
    const std::vector<Case> cases = {
        {"duplex turned on", ScanSides::single, "+1 t3 D +2 +3 +4 +5 t3", "p01 p02/p03 p04/p05 |"},
        {"duplex turned off", ScanSides::duplex, "+1 +2 t3 S +3 +4 t3", "p01/p02 p03 p04 |"},
        {"pages that landed before the change, not noticed yet", ScanSides::duplex, "+1 +2 S +3 t3",
         "p01/p02 p03 |"},
        {"a front held for its back when duplex ends", ScanSides::duplex, "+1 +2 +3 t3 S", "p01/p02 p03 |"},
        {"a held front, then one-sided pages", ScanSides::duplex, "+1 +2 +3 t3 S +4 t3", "p01/p02 p03 p04 |"},
        {"a front noticed but not settled when duplex ends", ScanSides::duplex, "+1 t1 S +2 t3", "p01 p02 |"},
        {"turned off and on again: the held front went out alone", ScanSides::duplex, "+1 t3 S D +2 +3 t3",
         "p01 p02/p03 |"},
        {"changed while paused", ScanSides::duplex, "P +1 +2 S +3 R t3", "p01/p02 p03 |"},
        {"the writer's duplex pages in a one-sided watch", ScanSides::single, "d1 d2 d3 d4", "p01/p02 p03/p04 |"},
        {"the writer's report after a poll noticed the page", ScanSides::single, "+1 t1 d1 d2", "p01/p02 |"},
        {"the writer's front before another program's page", ScanSides::single, "d1 +2 t3", "p01 p02 |"},
        {"the writer's one-sided pages in a duplex watch", ScanSides::duplex, "s1 s2 s3", "p01 p02 p03 |"},
    };
    auto name = [](const QString& n) { return QStringLiteral("p%1.png").arg(n.toInt(), 2, 10, QLatin1Char('0')); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h;
        QStringList cards;
        QObject::connect(&h.watcher, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>& batch) {
            for (const ScannedCard& card : batch)
                cards << QFileInfo(card.front).baseName() +
                             (card.back ? "/" + QFileInfo(*card.back).baseName() : QString());
        });
        h.watcher.start(h.folder, std::nullopt, c.sides);
        for (const QString& step : c.script.split(' ')) {
            const QChar op = step[0];
            const QString arg = step.mid(1);
            if (op == '+') {
                h.png(name(arg), arg.toInt());
            } else if (op == 't') {
                h.ticks(arg.toInt());
            } else if (op == 'D' || op == 'S') {
                h.watcher.setSides(op == 'D' ? ScanSides::duplex : ScanSides::single);
            } else if (op == 'P') {
                h.watcher.pause();
            } else if (op == 'R') {
                h.watcher.resume();
            } else if (op == 'd' || op == 's') {
                if (!QFile::exists(h.path(name(arg))))
                    h.png(name(arg), arg.toInt());
                h.watcher.pageFinished(h.path(name(arg)), op == 'd' ? ScanSides::duplex : ScanSides::single);
            }
            h.settle();
        }
        cards << "|";
        h.watcher.stop();
        h.settle();
        EXPECT_EQ(cards.join(' ').toStdString(), c.cards.toStdString());
        EXPECT_EQ(h.watcher.pendingFileCount(), 0);
    }
}

TEST(FolderWatcher, StopCancelsEveryPendingEmit)
{
    Harness h;
    h.watcher.start(h.folder);
    h.png("a.png", 1);
    h.ticks(3); // batch 1 is hashing; the event loop has not run
    h.png("b.png", 2);
    h.ticks(3); // batch 2 queued behind it
    EXPECT_TRUE(h.watcher.isEmitting());
    h.watcher.stop();
    h.settle();
    QTest::qWait(20);
    EXPECT_TRUE(h.events.isEmpty());
    EXPECT_FALSE(h.watcher.isWatching());

    // Watching again starts afresh: the files present are old.
    h.watcher.start(h.folder);
    h.ticks(3);
    h.settle();
    EXPECT_TRUE(h.events.isEmpty());
}

TEST(FolderWatcher, DestroyedWhileHashingCallsNothing)
{
    Harness h;
    bool called = false;
    auto* watcher = new FolderWatcher(1h);
    QObject::connect(watcher, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>&) { called = true; });
    watcher->start(h.folder);
    h.png("a.png", 1);
    for (int i = 0; i < 3; ++i)
        watcher->tick();
    EXPECT_TRUE(watcher->isEmitting());
    delete watcher;
    QTest::qWait(50);
    EXPECT_FALSE(called);
}

TEST(FolderWatcher, VanishingFolderReEmitsNothingOld)
{
    Harness h;
    h.png("old.png", 1);
    h.watcher.start(h.folder);
    h.png("a.png", 2);
    h.ticks(3);
    h.settle();
    ASSERT_EQ(h.batches.size(), 1u);

    h.png("b.png", 3);
    h.ticks(1); // b pending
    const QString away = h.dir.filePath("away");
    ASSERT_TRUE(QDir().rename(h.folder, away));
    h.ticks(4); // listing fails: nothing changes, nothing counts as quiet
    h.settle();
    EXPECT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.watcher.pendingFileCount(), 1);
    ASSERT_TRUE(QDir().rename(away, h.folder));
    h.ticks(3);
    h.settle();
    ASSERT_EQ(h.batches.size(), 2u);
    EXPECT_EQ(h.names(1), QStringList{"b.png"});
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.batches.size(), 2u);
}

TEST(FolderWatcher, ReplacedFileUnderTheSameNameIsNew)
{
    Harness h;
    h.png("scan.png", 1);
    h.watcher.start(h.folder);
    ASSERT_TRUE(QFile::remove(h.path("scan.png")));
    // Between two polls: only its identity tells. (The inode number may be reused and the
    // clock may not have moved, so the new file differs in size, as a new scan would.)
    h.write("scan.png", QByteArray(500, 'x'));
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch scan.png"});
}

TEST(FolderWatcher, BadEntriesNeitherCrashNorRepeat)
{
    Harness h;
    h.watcher.start(h.folder);
    QDir(h.folder).mkdir("folder.png");
    h.write("truncated.png", QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x10\x00IDATab", 18));
    h.write("huge length.png", QByteArray("\x89PNG\r\n\x1a\n\xff\xff\xff\xffIDAT", 16));
    h.write("no extension", "x");
    h.write("ünïcode name.jpg", "j");
    ::symlink("missing.png", QFile::encodeName(h.path("dangling.png")).constData());
    ::symlink("ünïcode name.jpg", QFile::encodeName(h.path("link.jpg")).constData());
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch huge length.png,link.jpg,truncated.png,ünïcode name.jpg"});
    h.ticks(6);
    h.settle();
    EXPECT_EQ(h.events.size(), 1);
}

TEST(FolderWatcher, AFileWhoseNameIsNotUtf8IsToldOnceWhileItStays)
{
    Harness h;
    h.writeRaw("old\xe9.png"); // there before the start: neither handed over nor told
    h.watcher.start(h.folder);
    h.png("good.png", 1);
    h.writeRaw("scan\xff.png");
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events, (QStringList{"left out scan\uFFFD.png", "batch good.png"}));
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.events.size(), 2);
    EXPECT_TRUE(h.log().contains("LEFT OUT scan\uFFFD.png: its file name is not valid UTF-8"));

    // Gone and back: told again.
    ASSERT_EQ(::unlink(QByteArray(QFile::encodeName(h.folder) + "/scan\xff.png").constData()), 0);
    h.ticks(1);
    h.writeRaw("scan\xff.png");
    h.ticks(1);
    EXPECT_EQ(h.events.back(), "left out scan\uFFFD.png");
    EXPECT_EQ(h.events.size(), 3);
    // Qt's own removal of the folder cannot name them either.
    for (const char* name : {"/old\xe9.png", "/scan\xff.png"})
        ::unlink(QByteArray(QFile::encodeName(h.folder) + name).constData());
}

TEST(FolderWatcher, TimerDrivesPolls)
{
    Harness h;
    FolderWatcher fast(5ms);
    QStringList got;
    QObject::connect(&fast, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>& cards) {
        for (const ScannedCard& card : cards)
            got += card.front;
    });
    fast.start(h.folder);
    EXPECT_EQ(fast.interval(), 5ms);
    h.png("a.png", 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !got.isEmpty(); }, 10000));
    EXPECT_EQ(got, QStringList{h.path("a.png")});
    EXPECT_EQ(FolderWatcher().interval(), 1500ms);
}

TEST(FolderWatcher, PublishesStateChanges)
{
    Harness h;
    int watching = 0, pending = 0, timing = 0;
    QObject::connect(&h.watcher, &FolderWatcher::isWatchingChanged, [&] { ++watching; });
    QObject::connect(&h.watcher, &FolderWatcher::pendingFileCountChanged, [&] { ++pending; });
    QObject::connect(&h.watcher, &FolderWatcher::lastScanTimingChanged, [&] { ++timing; });
    const QDateTime fixed(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    h.watcher.setClock([&] { return fixed; });
    h.watcher.start(h.folder);
    h.png("a.png", 1);
    h.ticks(3);
    h.settle();
    h.watcher.stop();
    EXPECT_EQ(watching, 2);
    EXPECT_EQ(pending, 2);
    EXPECT_GE(timing, 1);
    EXPECT_EQ(h.watcher.lastActivityAt(), fixed);
    EXPECT_EQ(h.watcher.property("batchesEmitted").toInt(), 1);
    EXPECT_EQ(h.watcher.property("isWatching").toBool(), false);
}

// Pages their writer reports finished go out at once, in order; a page nobody vouches for
// still waits for the quiet polls, and holds back finished pages after it.
TEST(FolderWatcher, FinishedPagesGoOutAtOnceOthersWaitForQuiet)
{
    Harness h;
    h.watcher.start(h.folder);
    h.png("p1.png", 1);
    h.watcher.pageFinished(h.path("p1.png"));
    h.settle();
    ASSERT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.names(0), QStringList{"p1.png"});

    h.png("p2.png", 2); // written by someone else
    h.png("p3.png", 3);
    h.watcher.pageFinished(h.path("p3.png"));
    h.settle();
    EXPECT_EQ(h.batches.size(), 1u);
    h.ticks(2);
    h.settle();
    ASSERT_EQ(h.batches.size(), 2u);
    EXPECT_EQ(h.names(1), (QStringList{"p2.png", "p3.png"}));

    // Outside the folder, or while paused, a report changes nothing; nothing goes out twice.
    h.watcher.pageFinished(h.dir.filePath("elsewhere.png"));
    h.watcher.pause();
    h.png("p4.png", 4);
    h.watcher.pageFinished(h.path("p4.png"));
    h.settle();
    EXPECT_EQ(h.batches.size(), 2u);
    h.watcher.resume();
    h.ticks(3);
    h.settle();
    ASSERT_EQ(h.batches.size(), 3u);
    EXPECT_EQ(h.names(2), QStringList{"p4.png"});
    h.ticks(3);
    h.settle();
    EXPECT_EQ(h.batches.size(), 3u);
}


namespace {

// The harness with folder events the test sends.
struct EventHarness : Harness {
    FakeFolderEvents* folderEvents;

    EventHarness() : EventHarness(new FakeFolderEvents) {}
    explicit EventHarness(FakeFolderEvents* fake) : Harness(std::unique_ptr<FolderEvents>(fake)), folderEvents(fake) {}

    // The events report `name` finished, `times` times; the polls they prompt run.
    void announce(const QString& name, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            folderEvents->finish(name);
            QCoreApplication::processEvents();
        }
        settle();
    }
};

} // namespace

// A page the folder events report finished goes out at once when its bytes reach their end
// marker; otherwise it settles as without events: the events' polls never count as quiet.
TEST(FolderWatcher, EventsHandOverPagesEndingInTheirEndMarkerAtOnce)
{
    struct Case {
        const char* what;
        const char* name;
        const char* format; // encoded as; null: the PNG cut before its end
        bool event;
        bool atOnce;
    };
    const std::vector<Case> cases = {
        {"a whole PNG", "a.png", "PNG", true, true},
        {"a whole JPEG", "a.jpg", "JPEG", true, true},
        {"a PNG cut short (reads as unreadable later)", "a.png", nullptr, true, false},
        {"a TIFF, which has no end marker", "a.tif", "TIFF", true, false},
        {"a whole PNG without an event", "a.png", "PNG", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EventHarness h;
        h.watcher.start(h.folder);
        const QByteArray whole = test::encodedImage(c.format ? c.format : "PNG", 1);
        h.write(c.name, c.format ? whole : whole.left(whole.size() - 6));
        if (c.event)
            h.announce(c.name, 3);
        EXPECT_EQ(h.batches.size(), c.atOnce ? 1u : 0u);
        if (!c.atOnce) {
            h.ticks(c.event ? FolderWatcher::settleTicks - 1 : FolderWatcher::settleTicks);
            h.settle();
            EXPECT_TRUE(h.batches.empty());
            h.ticks(1);
            h.settle();
        }
        ASSERT_EQ(h.batches.size(), 1u);
        EXPECT_EQ(h.names(0), QStringList{c.name});
        h.ticks(3);
        h.announce(c.name);
        EXPECT_EQ(h.batches.size(), 1u);
    }
}

// Finished pages go out in name order up to the first page that is not known finished; that
// one holds back the pages after it until the folder is quiet. A writer that closes a page
// before it is whole, and again once it is, has it handed over at the second close.
TEST(FolderWatcher, FinishedPagesGoOutUpToTheFirstUnfinishedPage)
{
    EventHarness h;
    h.watcher.start(h.folder);
    h.write("p1.png", test::encodedImage("PNG", 1));
    h.announce("p1.png");
    ASSERT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.names(0), QStringList{"p1.png"});

    h.write("p2.tif", test::encodedImage("TIFF", 2));
    h.announce("p2.tif");
    h.write("p3.png", test::encodedImage("PNG", 3));
    h.announce("p3.png");
    EXPECT_EQ(h.batches.size(), 1u);
    EXPECT_EQ(h.watcher.pendingFileCount(), 2);
    h.ticks(FolderWatcher::settleTicks);
    h.settle();
    ASSERT_EQ(h.batches.size(), 2u);
    EXPECT_EQ(h.names(1), (QStringList{"p2.tif", "p3.png"}));

    const QByteArray p4 = test::encodedImage("JPEG", 4);
    h.write("p4.jpg", p4.left(p4.size() / 2));
    h.announce("p4.jpg");
    EXPECT_EQ(h.batches.size(), 2u);
    h.write("p4.jpg", p4.mid(p4.size() / 2), QIODevice::Append);
    h.announce("p4.jpg");
    ASSERT_EQ(h.batches.size(), 3u);
    EXPECT_EQ(h.names(2), QStringList{"p4.jpg"});
    EXPECT_EQ(h.watcher.filesSeenSinceStart(), 4);
}

TEST(FolderWatcher, DuplexFinishedFrontWaitsForItsBack)
{
    EventHarness h;
    h.watcher.start(h.folder, std::nullopt, ScanSides::duplex);
    h.write("s1.png", test::encodedImage("PNG", 1));
    h.announce("s1.png");
    EXPECT_TRUE(h.batches.empty());
    EXPECT_EQ(h.watcher.pendingFileCount(), 1);
    h.write("s2.png", test::encodedImage("PNG", 2));
    h.write("s3.png", test::encodedImage("PNG", 3));
    h.announce("s2.png");
    h.announce("s3.png");
    EXPECT_EQ(h.events, QStringList{"batch s1.png,s2.png"});
    h.write("s4.png", test::encodedImage("PNG", 4));
    h.announce("s4.png");
    EXPECT_EQ(h.events, (QStringList{"batch s1.png,s2.png", "batch s3.png,s4.png"}));
}

// Events count only while watching and not paused; a watch the folder lost is asked again at
// the next timer poll; without events the watcher still polls.
TEST(FolderWatcher, EventsFollowTheWatchAndPollsStandInWhenThereAreNone)
{
    EventHarness h;
    h.watcher.start(h.folder);
    EXPECT_EQ(h.folderEvents->watched, QStringList{h.folder});
    EXPECT_TRUE(h.folderEvents->isWatching());

    h.watcher.pause();
    h.write("a.png", test::encodedImage("PNG", 1));
    h.announce("a.png");
    EXPECT_EQ(h.watcher.pendingFileCount(), 0);
    h.watcher.resume(); // a is new, and not known finished: it settles
    h.settle();
    EXPECT_TRUE(h.batches.empty());
    h.ticks(FolderWatcher::settleTicks);
    h.settle();
    EXPECT_EQ(h.events, QStringList{"batch a.png"});

    h.folderEvents->available = false;
    h.folderEvents->lose();
    h.ticks(1);
    EXPECT_EQ(h.folderEvents->watched.size(), 2);
    EXPECT_FALSE(h.folderEvents->isWatching());
    h.write("b.png", test::encodedImage("PNG", 2));
    h.ticks(1 + FolderWatcher::settleTicks);
    h.settle();
    EXPECT_EQ(h.events.last(), "batch b.png");
    h.folderEvents->available = true;
    h.ticks(1);
    EXPECT_TRUE(h.folderEvents->isWatching());

    h.watcher.stop();
    EXPECT_FALSE(h.folderEvents->isWatching());
    h.write("c.png", test::encodedImage("PNG", 3));
    h.announce("c.png");
    EXPECT_EQ(h.batches.size(), 2u);
}

// The real events: pages another program moves in, or writes in place, are all handed over
// once each with no timer poll at all.
TEST(FolderWatcher, RealFolderEventsBringEveryPageWithoutPolls)
{
    auto system = FolderEvents::system();
    ASSERT_TRUE(system);
    Harness h(std::move(system));
    h.watcher.start(h.folder);
    QStringList expected;
    for (int i = 1; i <= 6; ++i) {
        const QString name = QStringLiteral("page %1.%2").arg(i).arg(i % 2 ? "png" : "jpg");
        const QByteArray bytes = test::encodedImage(i % 2 ? "PNG" : "JPEG", i);
        if (i == 3) {
            h.write(name, bytes);
        } else {
            const auto staged = ScanPageFile::stageBytes(h.folder, name, bytes);
            ASSERT_TRUE(staged.error.isEmpty());
            ASSERT_TRUE(ScanPageFile::place(staged.path).error.isEmpty());
        }
        expected << name;
    }
    QStringList got;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            got.clear();
            for (size_t b = 0; b < h.batches.size(); ++b)
                got += h.names(b);
            return got.size() >= expected.size() && !h.watcher.isEmitting();
        },
        10000))
        << got.join(',').toStdString();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(h.watcher.pendingFileCount(), 0);
}
