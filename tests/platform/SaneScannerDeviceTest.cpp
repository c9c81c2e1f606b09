#include "platform/SaneScannerBrowser.h"
#include "platform/SaneScannerDevice.h"
#include "support/SaneTestBackend.h"

#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantry;
using vantry::test::SaneTestBackend;

namespace {

std::shared_ptr<ScannerDevice> firstDevice(SaneScannerBrowser& browser)
{
    std::shared_ptr<ScannerDevice> found;
    QObject::connect(&browser, &ScannerBrowser::deviceAdded, [&](std::shared_ptr<ScannerDevice> d, bool) {
        if (!found)
            found = d;
    });
    browser.start();
    (void)QTest::qWaitFor([&] { return browser.hasPolled(); }, 5000);
    return found;
}

struct Session {
    std::shared_ptr<ScannerDevice> device;
    std::optional<ScannerDeviceError> openError, selectError, completeError;
    std::optional<ScannerUnitInfo> unit;
    QStringList pages;
    bool opened = false, selected = false, completed = false;

    explicit Session(std::shared_ptr<ScannerDevice> d) : device(std::move(d))
    {
        QObject::connect(device.get(), &ScannerDevice::sessionOpened, [this](auto e) { opened = true; openError = e; });
        QObject::connect(device.get(), &ScannerDevice::unitSelected, [this](auto u, auto e) {
            selected = true;
            unit = u;
            selectError = e;
        });
        QObject::connect(device.get(), &ScannerDevice::pageWritten, [this](QString p) { pages << p; });
        QObject::connect(device.get(), &ScannerDevice::scanCompleted, [this](auto e) { completed = true; completeError = e; });
    }
    void openAndSelectFeeder()
    {
        device->requestOpenSession();
        ASSERT_TRUE(QTest::qWaitFor([&] { return opened; }, 5000));
        ASSERT_FALSE(openError) << openError->description.toStdString();
        ASSERT_TRUE(device->availableUnitTypes().contains(ScannerUnitType::documentFeeder));
        device->requestSelectUnit(ScannerUnitType::documentFeeder);
        ASSERT_TRUE(QTest::qWaitFor([&] { return selected; }, 5000));
        ASSERT_FALSE(selectError);
    }
    void scan(const QString& dir, int dpi = 50)
    {
        ScanRequest request;
        request.resolution = dpi;
        request.scanArea = QRectF(0, 0, 0.5, 0.7);
        request.downloadsDirectory = dir;
        device->requestScan(request);
        ASSERT_TRUE(QTest::qWaitFor([&] { return completed; }, 20000));
    }
};

} // namespace

TEST(SaneScannerDevice, FeederScanWritesEveryPageAsPngWithItsDpi)
{
    SaneTestBackend backend({{QStringLiteral("scan-source"), QStringLiteral("Flatbed")}});
    QTemporaryDir out;
    // A page left by an earlier scan is never replaced.
    QFile old(out.filePath(QStringLiteral("card_0002.png")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    SaneScannerBrowser browser;
    auto device = firstDevice(browser);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->name(), QStringLiteral("Noname frontend-tester"));
    EXPECT_EQ(device->id(), QStringLiteral("test:0"));
    Session session(device);
    session.openAndSelectFeeder();
    ASSERT_TRUE(session.unit);
    EXPECT_EQ(session.unit->type, ScannerUnitType::documentFeeder);
    EXPECT_TRUE(session.unit->supportedResolutions.contains(50));
    EXPECT_TRUE(session.unit->supportedResolutions.contains(600));
    EXPECT_NEAR(session.unit->physicalSize.width(), 30.0 / 25.4, 0.01);

    session.scan(out.path());
    EXPECT_FALSE(session.completeError) << session.completeError->description.toStdString();
    ASSERT_EQ(session.pages.size(), 10);
    EXPECT_EQ(QFileInfo(session.pages[0]).fileName(), QStringLiteral("card_0001.png"));
    EXPECT_EQ(QFileInfo(session.pages[1]).fileName(), QStringLiteral("card_0003.png"));
    EXPECT_EQ(QFileInfo(session.pages[9]).fileName(), QStringLiteral("card_0011.png"));
    QFile kept(old.fileName());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier"));
    EXPECT_EQ(QImageReader::imageFormat(session.pages[0]), "png");
    const QImage page(session.pages[0]);
    EXPECT_EQ(page.width(), 25); // 0.5 in at 50 dpi
    EXPECT_NEAR(page.dotsPerMeterX() * 0.0254, 50.0, 0.1);
    EXPECT_TRUE(QDir(out.path()).entryList({QStringLiteral("*.part")}, QDir::Hidden | QDir::Files).isEmpty());
}

// Every sample layout the backend can send ends up as the same white 8-bit RGB page.
TEST(SaneScannerDevice, DecodesEveryFrameLayoutToRgb)
{
    using Options = QList<QPair<QByteArray, QByteArray>>;
    struct Case {
        const char* what;
        Options options;
        int width; // 0.5 in at 50 dpi unless the layout fixes its own width
    };
    const std::vector<Case> cases = {
        {"grey 1-bit", {{"mode", "Gray"}, {"depth", "1"}}, 25},
        {"grey 16-bit", {{"mode", "Gray"}, {"depth", "16"}}, 25},
        {"colour 16-bit", {{"mode", "Color"}, {"depth", "16"}}, 25},
        {"colour 1-bit", {{"mode", "Color"}, {"depth", "1"}}, 25},
        {"three-pass", {{"three-pass", "true"}, {"three-pass-order", "GBR"}}, 25},
        {"unknown height", {{"hand-scanner", "true"}}, 216}, // 11 cm at 50 dpi
        {"padded lines", {{"ppl-loss", "3"}}, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaneTestBackend backend({{QStringLiteral("test-picture"), QStringLiteral("\"Solid white\"")}});
        QTemporaryDir out;
        SaneScannerBrowser::Options options;
        options.pageOptions = [&](int page) {
            Options all = c.options;
            if (page == 2)
                all.push_back({"read-return-value", "SANE_STATUS_NO_DOCS"});
            return all;
        };
        SaneScannerBrowser browser(options);
        auto device = firstDevice(browser);
        ASSERT_TRUE(device);
        Session session(device);
        session.openAndSelectFeeder();
        session.scan(out.path());
        ASSERT_EQ(session.pages.size(), 1) << (session.completeError ? session.completeError->description.toStdString() : "");
        const QImage page(session.pages[0]);
        ASSERT_FALSE(page.isNull());
        EXPECT_EQ(page.width(), c.width);
        EXPECT_GT(page.height(), 10);
        EXPECT_EQ(page.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(page.pixel(page.width() - 1, page.height() - 1), qRgb(255, 255, 255));
    }
}

TEST(SaneScannerDevice, NoBackendDeviceMeansAnEmptyList)
{
    SaneTestBackend backend({}, 0);
    SaneScannerBrowser browser;
    EXPECT_FALSE(firstDevice(browser));
}
