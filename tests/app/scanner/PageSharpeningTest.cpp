#include "ScannerTestRig.h"

#include <QDir>
#include <QImageReader>
#include <QSettings>

#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

// A white page with a black block: an edge to sharpen and flat areas that must stay flat.
QString writePage(const QString& path, int dpi)
{
    QImage image(80, 60, QImage::Format_RGB888);
    image.fill(Qt::white);
    for (int y = 20; y < 40; ++y)
        for (int x = 30; x < 80; ++x)
            image.setPixel(x, y, qRgb(40, 40, 40));
    image.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

void keepRawCopies(bool on)
{
    QSettings settings(paths::settingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("vy.keepRawScanCopies"), on);
}

} // namespace

TEST(PageSharpening, SharpensEdgesAndKeepsSizeResolutionAndFlatAreas)
{
    TempHome home;
    QTemporaryDir dir;
    const QString page = writePage(dir.filePath(QStringLiteral("card_0001.png")), 300);
    const QImage before(page);

    ScannerController::sharpenInPlace(page);

    EXPECT_EQ(QImageReader::imageFormat(page), "png");
    const QImage after(page);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.dotsPerMeterX(), before.dotsPerMeterX());
    EXPECT_EQ(after.dotsPerMeterY(), before.dotsPerMeterY());
    EXPECT_EQ(after.pixel(5, 5), qRgb(255, 255, 255));  // far from the edge: unchanged
    EXPECT_EQ(after.pixel(60, 30), qRgb(40, 40, 40));
    EXPECT_LT(qRed(after.pixel(31, 30)), 40);           // the dark side of the edge gets darker
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1); // nothing left beside it
}

TEST(PageSharpening, AnUnreadablePageIsLoggedAndLeftAlone)
{
    TempHome home;
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("card_0001.png"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();
    ScannerLogCapture log;

    ScannerController::sharpenInPlace(page);

    EXPECT_TRUE(log.contains(QStringLiteral("sharpen: failed to load card_0001.png")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not an image"));
}

TEST(PageSharpening, RawCopiesAreKeptOnlyWhenAskedAndNeverReplaced)
{
    TempHome home;
    QTemporaryDir dir;
    const QString page = writePage(dir.filePath(QStringLiteral("card_0001.png")), 300);
    const QString raw = dir.filePath(QStringLiteral("__raw__/card_0001.png"));

    ScannerController::preserveRawCopyIfEnabled(page);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("__raw__"))));

    keepRawCopies(true);
    QFile original(page);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray unsharpened = original.readAll();
    original.close();
    ScannerController::preserveRawCopyIfEnabled(page);
    ScannerController::sharpenInPlace(page);
    QFile copy(raw);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), unsharpened);
    copy.close();

    // A later page under the same name leaves the first raw copy in place.
    ScannerController::preserveRawCopyIfEnabled(page);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), unsharpened);
}

TEST(PageSharpening, AnUnreadablePageFromTheScannerIsStillHandedOn)
{
    TempHome home;
    VirtualDelayScheduler clock;
    FakeScannerDevice::Script script;
    script.unreadablePages = true;
    script.pages = 2;
    auto device = std::make_shared<FakeScannerDevice>(script, clock);
    ScannerController controller(
        [] { return std::unique_ptr<ScannerBrowser>(std::make_unique<FakeScannerBrowser>()); }, clock);
    QStringList handed;
    controller.onPageScanned = [&](const QString& path) { handed << QFileInfo(path).fileName(); };
    QTemporaryDir out;
    auto run = std::make_shared<ScanRun>();
    auto task = startScan(controller, device, false, 300, out.path(), run);
    clock.advance(std::chrono::seconds(10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return run->done; }, 5000));
    EXPECT_EQ(run->outcome->pages.size(), 2);
    EXPECT_EQ(handed, (QStringList{"card_0001.png", "card_0002.png"}));
}
