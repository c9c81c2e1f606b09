#include "ScannerTestRig.h"

#include "core/intake/FolderWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;
using Script = FakeScannerDevice::Script;

namespace {

struct Rig {
    TempHome home;
    VirtualDelayScheduler clock;
    std::shared_ptr<FakeScannerDevice> device;
    int browsersMade = 0;
    std::vector<QCoro::Task<>> tasks;
    std::unique_ptr<ScannerController> controller;
    QTemporaryDir out;
    QStringList handedOver;
    QList<ScannerPhase> phases;

    explicit Rig(Script script = {}, ScannerTiming timing = {})
    {
        device = std::make_shared<FakeScannerDevice>(std::move(script), clock);
        controller = std::make_unique<ScannerController>(
            [this]() -> std::unique_ptr<ScannerBrowser> {
                ++browsersMade;
                return std::make_unique<FakeScannerBrowser>(QList<std::shared_ptr<ScannerDevice>>{device});
            },
            clock, timing);
        controller->onPageScanned = [this](const QString& path) { handedOver << QFileInfo(path).fileName(); };
        QObject::connect(controller.get(), &ScannerController::phaseChanged, [this](ScannerPhase p) { phases << p; });
    }

    std::shared_ptr<ScanRun> scan(bool duplex = false, int dpi = 600, std::optional<QString> folder = {})
    {
        auto run = std::make_shared<ScanRun>();
        tasks.push_back(startScan(*controller, device, duplex, dpi, folder.value_or(out.path()), run));
        return run;
    }

    // Moves virtual time on, then lets the sharpen queue's real work finish.
    bool finish(const std::shared_ptr<ScanRun>& run, std::chrono::milliseconds step = 120s)
    {
        clock.advance(step);
        return QTest::qWaitFor([&] { return run->done; }, 10000);
    }
};

QStringList names(const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out << QFileInfo(p).fileName();
    return out;
}

} // namespace

TEST(ScannerController, FeederScanReturnsSharpenedPagesInNameOrder)
{
    Script script;
    script.pageNames = {QStringLiteral("card 10.png"), QStringLiteral("card 2.png"), QStringLiteral("card 1.png")};
    script.resolutions = {150, 300, 1200};
    script.physicalSize = QSizeF(0, 0);
    Rig rig(script);
    ScannerLogCapture log;

    auto run = rig.scan(true, 600);
    ASSERT_TRUE(rig.finish(run));
    ASSERT_FALSE(run->error) << run->error->what();
    EXPECT_EQ(names(run->outcome->pages), (QStringList{"card 1.png", "card 2.png", "card 10.png"}));
    EXPECT_FALSE(run->outcome->warning);
    // Every page was sharpened and handed on before the scan returned, in arrival order.
    EXPECT_EQ(rig.handedOver, (QStringList{"card 10.png", "card 2.png", "card 1.png"}));

    ASSERT_EQ(rig.device->scanRequests.size(), 1);
    const ScanRequest request = rig.device->scanRequests[0];
    EXPECT_EQ(request.unitType, ScannerUnitType::documentFeeder);
    EXPECT_EQ(request.resolution, 300);
    EXPECT_EQ(request.scanArea, QRectF(0, 0, 8.5, 14.0)); // the unit gave no physical size
    EXPECT_TRUE(request.duplex);
    EXPECT_EQ(request.documentName, QStringLiteral("card"));
    EXPECT_EQ(request.downloadsDirectory, rig.out.path());
    EXPECT_EQ(rig.controller->activeAppliedResolutionDpi(), 300);
    EXPECT_EQ(rig.device->closeRequests, 1);

    EXPECT_EQ(rig.phases, (QList<ScannerPhase>{ScannerPhase::openingSession, ScannerPhase::selectingUnit,
                                               ScannerPhase::configuringUnit, ScannerPhase::scanning,
                                               ScannerPhase::closing, ScannerPhase::idle}));
    EXPECT_FALSE(rig.controller->isScanning());
    EXPECT_TRUE(diagContains(QStringLiteral("scan begin device=Fake Scanner duplex=true dpi=600 out=")));
    EXPECT_TRUE(diagContains(QStringLiteral("resolution requested=600 supported=150,300,1200 applied=300")));
    EXPECT_TRUE(diagContains(QStringLiteral("requestScan dest=%1 res=300 area=8x14 duplex=true")
                                 .arg(QFileInfo(rig.out.path()).fileName())));
    EXPECT_TRUE(diagContains(QStringLiteral("didScanTo card 2.png (page 2) bytes=")));
    EXPECT_TRUE(diagContains(QStringLiteral("didCompleteScan pages=3 requestedDpi=600 appliedDpi=300 timing=files=3")));
    EXPECT_TRUE(log.contains(QStringLiteral("didScanTo url=card 1.png sharpened")));
    EXPECT_TRUE(log.contains(QStringLiteral("scanArea=8.500000x14.000000 physical=0.000000x0.000000 res=300 measurementUnit=0")));
}

// A watcher on the scan folder must never see a page before it is sharpened, nor see it
// again when it is: the card would get a second row.
TEST(ScannerController, AWatcherOnTheScanFolderSeesEachFinishedPageOnce)
{
    Script script;
    script.pages = 4;
    script.pageImage = [](int page) {
        QImage image(60, 84, QImage::Format_RGB888);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(QRect(5, 5 + page * 12, 40, 8), QColor(30, 30, 30)); // pages differ
        return image;
    };
    Rig rig(script);
    FolderWatcher watcher(std::chrono::hours(1)); // polled by hand
    QStringList delivered;
    QObject::connect(&watcher, &FolderWatcher::cardsArrived, [&](const std::vector<ScannedCard>& cards) {
        for (const ScannedCard& card : cards)
            delivered << QFileInfo(card.front).fileName();
    });
    watcher.start(rig.out.path());
    auto pollUntilQuiet = [&] {
        for (int i = 0; i < FolderWatcher::settleTicks + 2; ++i)
            watcher.tick();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher.isEmitting(); }, 10000));
        QCoreApplication::processEvents();
    };

    auto hold = std::make_unique<SharpenQueueHold>(); // written pages wait to be sharpened
    auto run = rig.scan();
    rig.clock.advance(10s);
    ASSERT_EQ(rig.device->scanRequests.size(), 1);
    pollUntilQuiet();
    EXPECT_TRUE(delivered.isEmpty()) << delivered.join(", ").toStdString();

    hold->release();
    ASSERT_TRUE(rig.finish(run));
    ASSERT_FALSE(run->error) << run->error->what();
    pollUntilQuiet();
    pollUntilQuiet();
    const QStringList expected{"card_0001.png", "card_0002.png", "card_0003.png", "card_0004.png"};
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(names(run->outcome->pages), expected);
    EXPECT_EQ(rig.handedOver, expected);
    // Only the finished pages are left in the folder, sharpened (darker than the drawn block at its edge).
    EXPECT_EQ(QDir(rig.out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    const QImage first(rig.out.filePath(QStringLiteral("card_0001.png")));
    EXPECT_LT(qRed(first.pixel(6, 18)), 30);
}

TEST(ScannerController, LogLinesKeepPercentSignsInFolderNames)
{
    Script script;
    script.pages = 1;
    Rig rig(script);
    const QString folder = rig.out.filePath(QStringLiteral("Scans 100%1"));

    auto run = rig.scan(false, 300, folder);
    ASSERT_TRUE(rig.finish(run));
    ASSERT_FALSE(run->error) << run->error->what();
    EXPECT_TRUE(diagContains(QStringLiteral("requestScan dest=Scans 100%1 res=300 area=8x11 duplex=false")))
        << scannerDiagLines().join('\n').toStdString();
    EXPECT_TRUE(diagContains(QStringLiteral("scan begin device=Fake Scanner duplex=false dpi=300 out=Scans 100%1")));
}

TEST(ScannerController, ProgramsTheResolutionAndAreaTheUnitAllows)
{
    struct Case {
        QList<int> offered;
        int unitResolution;
        int requested;
        int applied;
        QSizeF physical;
        QRectF area;
        bool floorLogged;
    };
    const std::vector<Case> cases = {
        {{150, 300, 1200}, 0, 600, 300, {8.5, 11.7}, {0, 0, 8.5, 11.7}, false},
        {{75, 150, 300, 600, 1200}, 0, 50, 75, {0, 14}, {0, 0, 8.5, 14}, false},
        {{300, 600}, 0, 600, 600, {4, 0}, {0, 0, 8.5, 14}, false},
    };
    for (const Case& c : cases) {
        Script script;
        script.resolutions = c.offered;
        script.unitResolution = c.unitResolution;
        script.physicalSize = c.physical;
        script.pages = 1;
        Rig rig(script);
        auto run = rig.scan(false, c.requested);
        ASSERT_TRUE(rig.finish(run));
        ASSERT_EQ(rig.device->scanRequests.size(), 1);
        EXPECT_EQ(rig.device->scanRequests[0].resolution, c.applied);
        EXPECT_EQ(rig.device->scanRequests[0].scanArea, c.area);
        EXPECT_FALSE(rig.device->scanRequests[0].duplex);
    }
}

TEST(ScannerController, ASecondScanWhileOneRunsGetsNothingAndLeavesTheFirstAlone)
{
    Rig rig;
    ScannerLogCapture log;
    auto first = rig.scan();
    rig.clock.advance(100ms);
    auto second = rig.scan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->done; }, 1000));
    EXPECT_TRUE(second->outcome && second->outcome->pages.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("scan() called while another scan is in flight; returning empty.")));
    ASSERT_TRUE(rig.finish(first));
    EXPECT_EQ(first->outcome->pages.size(), 3);
    EXPECT_EQ(rig.device->openRequests, 1);
}

TEST(ScannerController, AFailingOpenIsRetriedFiveTimesThenFailsUnlessTheWatchdogComesFirst)
{
    struct Case {
        std::chrono::milliseconds retryStep;
        int opens;
        QString error;
    };
    const std::vector<Case> cases = {
        {700ms, 6, QStringLiteral("Couldn't open scanner: The device could not be opened.")},
        {10s, 2, // the second retry would come 10 s + 20 s after the request, when the watchdog fires
         QStringLiteral("Scan got stuck in phase \"openingSession\" for 30s with no progress. The driver may be "
                        "holding the device — unplug + replug the scanner and try again.")},
    };
    for (const Case& c : cases) {
        Script script;
        script.failingOpens = -1;
        script.callbackDelay = 0ms;
        ScannerTiming timing;
        timing.openRetryStep = c.retryStep;
        Rig rig(script, timing);
        auto run = rig.scan();
        if (c.retryStep == 700ms) {
            // Pauses of 0.7, 1.4, 2.1, 2.8 and 3.5 s between the attempts.
            int expected = 1;
            for (auto pause : {700ms, 1400ms, 2100ms, 2800ms, 3500ms}) {
                rig.clock.advance(pause - 1ms);
                EXPECT_EQ(rig.device->openRequests, expected);
                rig.clock.advance(1ms);
                EXPECT_EQ(rig.device->openRequests, ++expected);
            }
        }
        ASSERT_TRUE(rig.finish(run));
        ASSERT_TRUE(run->error);
        EXPECT_EQ(run->error->errorDescription(), c.error);
        EXPECT_EQ(rig.device->openRequests, c.opens);
        EXPECT_EQ(rig.controller->phase(), ScannerPhase::idle);
        EXPECT_EQ(diagContains(QStringLiteral("retrying open session attempt=5/5")), c.opens == 6);
    }
}

TEST(ScannerController, AUnitWithoutResolutionsIsReselectedSixTimesThenTheWatchdogEndsIt)
{
    Script script;
    script.notReadySelects = -1;
    Rig rig(script);
    auto run = rig.scan();
    rig.clock.advance(29s);
    EXPECT_EQ(rig.device->selectRequests.size(), 7);
    EXPECT_FALSE(run->done);
    ASSERT_TRUE(rig.finish(run, 2s));
    ASSERT_TRUE(run->error);
    EXPECT_EQ(run->error->kind(), ScannerError::Kind::stuck);
    EXPECT_EQ(run->error->phase(), ScannerPhase::selectingUnit);
    EXPECT_EQ(run->error->seconds(), 30u);
    EXPECT_TRUE(diagContains(QStringLiteral("not-ready reselect 6/6")));
    EXPECT_TRUE(diagContains(QStringLiteral("not-ready gave up after 6 reselects — awaiting watchdog")));
    EXPECT_TRUE(diagContains(QStringLiteral("watchdog FIRED phase=selectingUnit after=30s pages=0 openAttempts=0")));
}

TEST(ScannerController, ASecondSelectionReplyDoesNotStartASecondScan)
{
    Script script;
    script.extraSelectReplies = 1;
    Rig rig(script);
    auto run = rig.scan();
    ASSERT_TRUE(rig.finish(run));
    EXPECT_EQ(rig.device->scanRequests.size(), 1);
    EXPECT_EQ(run->outcome->pages.size(), 3);
    EXPECT_TRUE(diagContains(QStringLiteral("didSelect DUPLICATE ignored (scan already issued)")));
}

TEST(ScannerController, ASelectionErrorLeavesTheScanToTheWatchdog)
{
    Script script;
    script.failingSelects = 1;
    Rig rig(script);
    auto run = rig.scan();
    ASSERT_TRUE(rig.finish(run, 31s));
    ASSERT_TRUE(run->error);
    EXPECT_EQ(run->error->phase(), ScannerPhase::selectingUnit);
    EXPECT_TRUE(diagContains(QStringLiteral("didSelect error=The functional unit could not be selected. (non-fatal, awaiting ready/retry)")));
}

TEST(ScannerController, ADeviceThatIsNotAScannerFailsTheSession)
{
    Script script;
    script.isScanner = false;
    Rig rig(script);
    auto run = rig.scan();
    ASSERT_TRUE(rig.finish(run, 1s));
    ASSERT_TRUE(run->error);
    EXPECT_EQ(run->error->errorDescription(), QStringLiteral("Couldn't open scanner: Device is not a scanner."));
}

// A failure after some pages keeps those pages and says why the scan stopped.
TEST(ScannerController, ACompletionErrorFailsOnlyAScanWithoutPages)
{
    struct Case {
        int pages;
        bool throws;
    };
    for (const Case& c : std::vector<Case>{{3, false}, {0, true}}) {
        Script script;
        script.pages = c.pages;
        script.completionError = ScannerDeviceError{-9923, QStringLiteral("Paper jam.")};
        Rig rig(script);
        auto run = rig.scan();
        ASSERT_TRUE(rig.finish(run));
        if (c.throws) {
            ASSERT_TRUE(run->error);
            EXPECT_EQ(run->error->errorDescription(), QStringLiteral("Scan failed: Paper jam."));
        } else {
            ASSERT_TRUE(run->outcome);
            EXPECT_EQ(run->outcome->pages.size(), 3);
            ASSERT_TRUE(run->outcome->warning);
            EXPECT_EQ(run->outcome->warning->errorDescription(), QStringLiteral("Scan failed: Paper jam."));
        }
    }
}

TEST(ScannerController, EachPageRearmsTheWatchdog)
{
    struct Case {
        int pages;
        std::chrono::milliseconds firstPage, interval;
        bool completes;
        int returned;
        std::optional<std::pair<ScannerPhase, quint64>> stuck;
        bool throws;
    };
    const std::vector<Case> cases = {
        {3, 20s, 50s, true, 3, std::nullopt, false},                    // pages 50 s apart never time out
        {2, 1s, 1s, false, 2, std::pair{ScannerPhase::scanning, 60ull}, false}, // stalls after two pages
        {0, 1s, 1s, false, 0, std::pair{ScannerPhase::scanning, 30ull}, true},  // never a page
    };
    for (const Case& c : cases) {
        Script script;
        script.pages = c.pages;
        script.firstPageDelay = c.firstPage;
        script.pageInterval = c.interval;
        script.completes = c.completes;
        Rig rig(script);
        auto run = rig.scan();
        ASSERT_TRUE(rig.finish(run, 200s));
        if (c.throws) {
            ASSERT_TRUE(run->error);
            EXPECT_EQ(run->error->kind(), ScannerError::Kind::stuck);
            EXPECT_EQ(run->error->phase(), c.stuck->first);
            EXPECT_EQ(run->error->seconds(), c.stuck->second);
            continue;
        }
        ASSERT_TRUE(run->outcome);
        EXPECT_EQ(run->outcome->pages.size(), c.returned);
        if (c.stuck) {
            ASSERT_TRUE(run->outcome->warning);
            EXPECT_EQ(run->outcome->warning->phase(), c.stuck->first);
            EXPECT_EQ(run->outcome->warning->seconds(), c.stuck->second);
            EXPECT_EQ(rig.device->cancelRequests, 1);
            // Once for the time-out, once more when the cancelled scan reports its end.
            EXPECT_EQ(rig.device->closeRequests, 2);
            EXPECT_EQ(rig.controller->phase(), ScannerPhase::idle);
        } else {
            EXPECT_FALSE(run->outcome->warning);
        }
    }
}

TEST(ScannerController, APageAfterTheScanEndedIsStillSharpenedAndHandedOn)
{
    Script script;
    script.pages = 0;
    script.completes = false;
    Rig rig(script);
    auto run = rig.scan();
    ASSERT_TRUE(rig.finish(run, 31s));
    ASSERT_TRUE(run->error);
    rig.device->deliverPage(QStringLiteral("card_0001.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.handedOver.size() == 1; }, 5000));
    EXPECT_EQ(rig.controller->scannedURLs().size(), 1);
    rig.clock.advance(120s); // the watchdog it re-armed finds nothing to end
    EXPECT_EQ(rig.controller->phase(), ScannerPhase::idle);
    EXPECT_FALSE(rig.controller->isScanning());
}

TEST(ScannerController, ResetCancelsTheScanAndAnEarlierScansRetryDoesNothing)
{
    Script script;
    script.failingOpens = 1;
    Rig rig(script);
    auto first = rig.scan();
    rig.clock.advance(100ms); // the open failed; a retry waits for 0.7 s
    rig.controller->resetSession();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->done; }, 5000));
    ASSERT_TRUE(first->error);
    EXPECT_EQ(first->error->errorDescription(), QStringLiteral("Scanner session canceled."));
    EXPECT_EQ(rig.device->closeRequests, 1);

    auto second = rig.scan();
    ASSERT_TRUE(rig.finish(second));
    EXPECT_EQ(second->outcome->pages.size(), 3);
    EXPECT_EQ(rig.device->openRequests, 2); // the first scan's retry never fired into the second
    EXPECT_TRUE(diagContains(QStringLiteral("resetSession (manual) pages=0 phase=openingSession")));
}

TEST(ScannerController, ResetWhileIdleOnlyPassesThroughClosing)
{
    Rig rig;
    rig.controller->resetSession();
    EXPECT_EQ(rig.phases, (QList<ScannerPhase>{ScannerPhase::closing, ScannerPhase::idle}));
    EXPECT_EQ(rig.device->closeRequests, 0);
}

TEST(ScannerController, OnlyAFailedCloseResetsTheDeviceAndBrowsing)
{
    struct Case {
        int code;
        bool hardReset;
    };
    for (const Case& c : std::vector<Case>{{-9958, true}, {-9922, false}}) {
        Script script;
        script.closeError = ScannerDeviceError{c.code, QStringLiteral("close failed")};
        Rig rig(script);
        rig.controller->startBrowsing();
        rig.clock.advance(0ms);
        ASSERT_EQ(rig.controller->devices().size(), 1);
        int emptied = 0;
        QObject::connect(rig.controller.get(), &ScannerController::devicesChanged,
                         [&] { emptied += rig.controller->devices().isEmpty(); });
        auto run = rig.scan();
        ASSERT_TRUE(rig.finish(run));
        EXPECT_EQ(run->outcome->pages.size(), 3);
        rig.clock.advance(1s);
        EXPECT_EQ(rig.browsersMade, c.hardReset ? 2 : 1);
        EXPECT_EQ(emptied, c.hardReset ? 1 : 0);
        EXPECT_EQ(rig.controller->devices().size(), 1); // found again by the new browser
        EXPECT_EQ(diagContains(QStringLiteral("hardResetDevice reason=close failed -9958")), c.hardReset);
        EXPECT_TRUE(diagContains(QStringLiteral("didCloseSession error=close failed code=%1").arg(c.code)));
    }
}

TEST(ScannerController, PhaseRawValuesAreTheCaseNames)
{
    const std::vector<std::pair<ScannerPhase, QString>> phases = {
        {ScannerPhase::idle, "idle"},
        {ScannerPhase::openingSession, "openingSession"},
        {ScannerPhase::selectingUnit, "selectingUnit"},
        {ScannerPhase::configuringUnit, "configuringUnit"},
        {ScannerPhase::scanning, "scanning"},
        {ScannerPhase::closing, "closing"},
    };
    for (const auto& [phase, raw] : phases) {
        EXPECT_EQ(rawValue(phase), raw);
        EXPECT_EQ(scannerPhaseFromRaw(raw), phase);
    }
    for (const QString& raw : {QStringLiteral("Idle"), QStringLiteral(""), QStringLiteral("closing ")})
        EXPECT_FALSE(scannerPhaseFromRaw(raw));
}

// A scan ended by the user or the watchdog is cancelled on the device, whose completion comes
// late; a scan started meanwhile must neither fail with it nor have its session closed by it.
TEST(ScannerController, TheLateEndOfAnEarlierScanLeavesTheNextScanAlone)
{
    for (const bool byWatchdog : {false, true}) {
        SCOPED_TRACE(byWatchdog ? "watchdog" : "reset");
        Script script;
        script.pages = byWatchdog ? 1 : 3;
        script.completes = !byWatchdog;
        Rig rig(script);
        auto first = rig.scan();
        if (byWatchdog) {
            // The page comes after about 1 s and re-arms the 60 s idle watchdog; its sharpening
            // runs on a real thread, so wait for it before moving virtual time on.
            rig.clock.advance(60s);
            ASSERT_TRUE(QTest::qWaitFor([&] { return rig.handedOver.size() == 1; }, 5000));
            // The timed-out scan goes idle as soon as the sharpen queue has passed it, which
            // real threads decide; held, the phase stays `closing` until we have looked.
            SharpenQueueHold hold;
            // Stop right when the idle watchdog has fired, before the device reports the end
            // of the cancelled scan.
            for (int ms = 0; ms < 2000 && rig.controller->phase() != ScannerPhase::closing; ++ms)
                rig.clock.advance(1ms);
            ASSERT_EQ(rig.controller->phase(), ScannerPhase::closing)
                << "phases: " << phaseList(rig.phases).toStdString() << "\nlog:\n"
                << scannerDiagLines().join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(rig.device->closeRequests, 1); // only the watchdog's close so far
            hold.release();
        } else {
            rig.clock.advance(1500ms);
            rig.controller->resetSession();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return first->done; }, 5000));
        EXPECT_EQ(rig.device->cancelRequests, 1);

        rig.device->script().completes = true;
        rig.device->script().pages = 3;
        auto second = rig.scan();
        ASSERT_TRUE(rig.finish(second));
        ASSERT_FALSE(second->error) << second->error->what();
        EXPECT_EQ(second->outcome->pages.size(), 3);
        EXPECT_FALSE(second->outcome->warning);
        EXPECT_EQ(rig.device->scanRequests.size(), 2);
        EXPECT_EQ(rig.device->closeRequests, 2); // one for each scan's end
    }
}
