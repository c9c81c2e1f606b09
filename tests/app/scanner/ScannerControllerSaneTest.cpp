// The scanner controller against SANE's "test" backend.
#include "ScannerTestRig.h"

#include "platform/Paths.h"
#include "platform/SaneScannerBrowser.h"
#include "support/SaneTestBackend.h"

#include <QDir>
#include <QImage>
#include <QSettings>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

using PageOptions = QList<QPair<QByteArray, QByteArray>>;

struct SaneRig {
    TempHome home;
    SaneTestBackend backend;
    QtDelayScheduler realTime;
    VirtualDelayScheduler clock;
    SaneScannerBrowser* browser = nullptr;
    std::vector<QCoro::Task<>> tasks;
    std::unique_ptr<ScannerController> controller;
    QTemporaryDir out;
    QStringList handedOver;

    // With `virtualTime` the controller's waits run on `clock`, which only the test moves on.
    SaneRig(QMap<QString, QString> settings, SanePageOptions pageOptions = {}, bool virtualTime = false,
            int devices = 1)
        : backend(std::move(settings), devices)
    {
        DelayScheduler& scheduler = virtualTime ? static_cast<DelayScheduler&>(clock) : realTime;
        controller = std::make_unique<ScannerController>(
            [this, pageOptions]() -> std::unique_ptr<ScannerBrowser> {
                SaneScannerBrowser::Options options;
                options.pollInterval = 50ms;
                options.pageOptions = pageOptions;
                auto made = std::make_unique<SaneScannerBrowser>(options);
                browser = made.get();
                return made;
            },
            scheduler);
        controller->onPageScanned = [this](const QString& path) { handedOver << QFileInfo(path).fileName(); };
        controller->startBrowsing();
    }

    std::shared_ptr<ScannerDevice> device()
    {
        (void)QTest::qWaitFor([&] { return !controller->devices().isEmpty(); }, 5000);
        return controller->devices().value(0);
    }

    std::shared_ptr<ScanRun> scan(int dpi = 75)
    {
        auto run = std::make_shared<ScanRun>();
        tasks.push_back(startScan(*controller, device(), false, dpi, out.path(), run));
        return run;
    }

    bool finish(const std::shared_ptr<ScanRun>& run) { return QTest::qWaitFor([&] { return run->done; }, 20000); }
};

PageOptions failFrom(int page, int failingPage, const QByteArray& status)
{
    if (page >= failingPage)
        return {{"read-return-value", status}};
    return {};
}

} // namespace

TEST(ScannerControllerSane, ColourFeederScanGivesTenSharpenedPagesInNameOrder)
{
    SaneRig rig({{QStringLiteral("scan-source"), QStringLiteral("Flatbed")}});
    QSettings(paths::settingsFile(), QSettings::IniFormat).setValue(QStringLiteral("vy.keepRawScanCopies"), true);
    auto run = rig.scan(75);
    ASSERT_TRUE(rig.finish(run));
    ASSERT_FALSE(run->error) << run->error->what();
    ASSERT_EQ(run->outcome->pages.size(), 10);
    EXPECT_FALSE(run->outcome->warning);
    QStringList expected;
    for (int i = 1; i <= 10; ++i)
        expected << QStringLiteral("card_%1.png").arg(i, 4, 10, QLatin1Char('0'));
    QStringList names;
    for (const QString& page : run->outcome->pages)
        names << QFileInfo(page).fileName();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(rig.handedOver, expected); // all sharpened before the scan returned

    for (const QString& page : run->outcome->pages) {
        const QImage sharpened(page);
        const QImage raw(QDir(rig.out.path()).filePath(QStringLiteral("__raw__/") + QFileInfo(page).fileName()));
        ASSERT_FALSE(sharpened.isNull());
        EXPECT_EQ(sharpened.size(), QSize(88, 88)); // 30 mm at 75 dpi, as the backend rounds it
        EXPECT_EQ(sharpened.size(), raw.size());
        EXPECT_EQ(sharpened.dotsPerMeterX(), raw.dotsPerMeterX());
        EXPECT_NE(sharpened, raw);
    }
    EXPECT_NEAR(QImage(run->outcome->pages[0]).dotsPerMeterX() * 0.0254, 75.0, 0.1);
    EXPECT_TRUE(diagContains(QStringLiteral("resolution requested=75 supported=")));
    EXPECT_TRUE(diagContains(QStringLiteral("didCompleteScan pages=10 requestedDpi=75 appliedDpi=75 timing=files=10")));
    EXPECT_TRUE(diagContains(QStringLiteral("dpiMeta=75")));
}

TEST(ScannerControllerSane, AFeederErrorGivesTheMatchingFailureWithThePagesBeforeIt)
{
    struct Case {
        QByteArray status;
        int failingPage;
        QString text;
    };
    const std::vector<Case> cases = {
        {"SANE_STATUS_JAMMED", 4, QStringLiteral("Scan failed: Document feeder jammed")},
        {"SANE_STATUS_COVER_OPEN", 4, QStringLiteral("Scan failed: Scanner cover is open")},
        {"SANE_STATUS_IO_ERROR", 4, QStringLiteral("Scan failed: Error during device I/O")},
        {"SANE_STATUS_JAMMED", 1, QStringLiteral("Scan failed: Document feeder jammed")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString() + " from page " + std::to_string(c.failingPage));
        SaneRig rig({}, [c](int page) { return failFrom(page, c.failingPage, c.status); });
        auto run = rig.scan();
        ASSERT_TRUE(rig.finish(run));
        if (c.failingPage == 1) {
            ASSERT_TRUE(run->error);
            EXPECT_EQ(run->error->errorDescription(), c.text);
            continue;
        }
        ASSERT_TRUE(run->outcome);
        EXPECT_EQ(run->outcome->pages.size(), c.failingPage - 1);
        ASSERT_TRUE(run->outcome->warning);
        EXPECT_EQ(run->outcome->warning->errorDescription(), c.text);
        // The page that failed half-way was not kept.
        EXPECT_EQ(QDir(rig.out.path()).entryList({QStringLiteral("*.png")}, QDir::Files).size(), c.failingPage - 1);
    }
}

// A feeder without paper is an empty scan, so the caller can say that no card was fed; a
// feeder that runs out part-way through a stack has simply ended the batch.
TEST(ScannerControllerSane, AnEmptyFeederEndsTheScanWithoutAFailure)
{
    struct Case {
        const char* what;
        int emptyFromPage;
    };
    const std::vector<Case> cases = {
        {"no paper at the start", 1},
        {"paper runs out after three pages", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaneRig rig({}, [c](int page) { return failFrom(page, c.emptyFromPage, "SANE_STATUS_NO_DOCS"); });
        auto run = rig.scan();
        ASSERT_TRUE(rig.finish(run));
        ASSERT_FALSE(run->error) << run->error->what();
        ASSERT_TRUE(run->outcome);
        EXPECT_EQ(run->outcome->pages.size(), c.emptyFromPage - 1);
        EXPECT_FALSE(run->outcome->warning);
        EXPECT_TRUE(diagContains(QStringLiteral("didCompleteScan pages=%1 ").arg(c.emptyFromPage - 1)));
    }
}

TEST(ScannerControllerSane, AStalledDeviceEndsWithTheStuckError)
{
    SaneRig rig({{QStringLiteral("read-delay"), QStringLiteral("true")},
                 {QStringLiteral("read-delay-duration"), QStringLiteral("200000")},
                 {QStringLiteral("read-limit"), QStringLiteral("true")},
                 {QStringLiteral("read-limit-size"), QStringLiteral("512")}},
                {}, true);
    auto run = rig.scan();
    // The device answers on its own thread; once the scan is asked for, the first page is
    // seconds of slow reads away when the watchdog's 30 s pass.
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.controller->phase() == ScannerPhase::scanning; }, 10000));
    rig.clock.advance(30s);
    ASSERT_TRUE(rig.finish(run));
    ASSERT_TRUE(run->error);
    EXPECT_EQ(run->error->errorDescription(),
              QStringLiteral("Scan got stuck in phase \"scanning\" for 30s with no progress. The driver may be holding "
                             "the device — unplug + replug the scanner and try again."));
    EXPECT_TRUE(diagContains(QStringLiteral("watchdog FIRED phase=scanning after=30s pages=0")));
}

TEST(ScannerControllerSane, ResettingMidScanCancelsIt)
{
    SaneRig rig({{QStringLiteral("read-delay"), QStringLiteral("true")},
                 {QStringLiteral("read-delay-duration"), QStringLiteral("20000")},
                 {QStringLiteral("read-limit"), QStringLiteral("true")},
                 {QStringLiteral("read-limit-size"), QStringLiteral("2048")}});
    auto device = rig.device();
    ASSERT_TRUE(device);
    bool deviceEnded = false;
    QObject::connect(device.get(), &ScannerDevice::scanCompleted, [&] { deviceEnded = true; });
    auto run = rig.scan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.controller->scannedURLs().isEmpty(); }, 10000));
    rig.controller->resetSession();
    ASSERT_TRUE(rig.finish(run));
    ASSERT_TRUE(run->error);
    EXPECT_EQ(run->error->errorDescription(), QStringLiteral("Scanner session canceled."));
    // The device stops feeding: once it reports the end of the scan, far fewer than the
    // feeder's ten pages were written.
    ASSERT_TRUE(QTest::qWaitFor([&] { return deviceEnded; }, 20000));
    EXPECT_LT(QDir(rig.out.path()).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 10);
}

TEST(ScannerControllerSane, NoScannerGivesAnEmptyList)
{
    SaneRig rig({}, {}, false, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.browser && rig.browser->hasPolled(); }, 5000));
    QTest::qWait(100);
    EXPECT_TRUE(rig.controller->devices().isEmpty());
}
