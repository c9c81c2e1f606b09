#include "platform/FakeScannerDevice.h"
#include "platform/VirtualDelayScheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace vantry;
using namespace std::chrono_literals;

namespace {

// What the device announced, in order: page file names and "end".
struct Announcements {
    QStringList events;
    QList<bool> onMainThread;

    explicit Announcements(FakeScannerDevice& device)
    {
        QObject::connect(&device, &ScannerDevice::pageWritten, [this](const QString& path) {
            events << QFileInfo(path).fileName();
            onMainThread << (QThread::currentThread() == QCoreApplication::instance()->thread());
        });
        QObject::connect(&device, &ScannerDevice::scanCompleted, [this](std::optional<ScannerDeviceError> error) {
            events << (error ? QStringLiteral("end: ") + error->description : QStringLiteral("end"));
            onMainThread << (QThread::currentThread() == QCoreApplication::instance()->thread());
        });
    }
    bool ended() const { return !events.isEmpty() && events.last().startsWith(QStringLiteral("end")); }
};

ScanRequest requestInto(const QString& folder, bool staged)
{
    ScanRequest request;
    request.resolution = 300;
    request.downloadsDirectory = folder;
    request.stagePages = staged;
    return request;
}

QImage pageWithBlock(int page)
{
    QImage image(40, 56, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(2, 2 + page * 4, 20, 3), Qt::black);
    return image;
}

// Blocks the device's thread inside a page until opened.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    void wait()
    {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
    void release()
    {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

} // namespace

// A device with a thread of its own makes the pages there and announces them on the main
// thread in feeding order, each once and already written, with the end after the last one.
TEST(FakeScannerDevice, OnItsOwnThreadPagesAreMadeOffTheMainThreadAndAnnouncedInOrder)
{
    struct Case {
        bool staged;
        QStringList names; // script page names; empty: numbered pages
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {false, {}, {"card_0001.png", "card_0002.png", "card_0003.png", "card_0004.png", "end"}},
        {false, {"b.png", "a.png", "c.png", "d.png"}, {"b.png", "a.png", "c.png", "d.png", "end"}},
    };
    for (const Case& c : cases) {
        QTemporaryDir out;
        VirtualDelayScheduler clock;
        std::atomic<int> madeOnMain{0}, made{0};
        FakeScannerDevice::Script script;
        script.ownThread = true;
        script.pages = 4;
        script.pageNames = c.names;
        script.pageImage = [&](int page) {
            ++made;
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                ++madeOnMain;
            return pageWithBlock(page);
        };
        FakeScannerDevice device(script, clock);
        Announcements seen(device);
        device.requestScan(requestInto(out.path(), c.staged));
        clock.advance(60s); // every page is fed at once; they come out as the thread makes them
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.ended(); }, 10000)) << seen.events.join(", ").toStdString();
        EXPECT_EQ(seen.events, c.expected);
        EXPECT_EQ(made.load(), 4);
        EXPECT_EQ(madeOnMain.load(), 0);
        EXPECT_FALSE(seen.onMainThread.contains(false));
        for (const QString& name : c.expected.mid(0, 4)) {
            const QImage page(QDir(out.path()).filePath(name));
            EXPECT_EQ(page.size(), QSize(40, 56)) << name.toStdString();
        }
    }
}

// Staged pages stay hidden for whoever places them; a cancel lets the pages already being
// made come out before the end it reports.
TEST(FakeScannerDevice, OnItsOwnThreadACancelEndsAfterThePagesAlreadyFed)
{
    QTemporaryDir out;
    VirtualDelayScheduler clock;
    auto gate = std::make_shared<Gate>();
    FakeScannerDevice::Script script;
    script.ownThread = true;
    script.pages = 5;
    script.firstPageDelay = 100ms;
    script.pageInterval = 100ms;
    script.pageImage = [gate](int page) {
        if (page == 2)
            gate->wait(); // the second page is still being made when the cancel comes
        return pageWithBlock(page);
    };
    FakeScannerDevice device(script, clock);
    Announcements seen(device);
    device.requestScan(requestInto(out.path(), true));
    clock.advance(200ms); // two pages fed
    device.cancelScan();
    clock.advance(1s);
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.ended(); }, 10000)) << seen.events.join(", ").toStdString();
    ASSERT_EQ(seen.events.size(), 3);
    EXPECT_EQ(seen.events.last(), QStringLiteral("end: Canceled."));
    QStringList placedAs;
    for (const QString& staged : seen.events.mid(0, 2))
        placedAs << ScanPageFile::stagedFinalName(QDir(out.path()).filePath(staged));
    EXPECT_EQ(placedAs, (QStringList{"card_0001.png", "card_0002.png"}));
    // Nothing more after the end, and nothing left behind but the two pages.
    clock.advance(10s);
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.events.size(), 3);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// A page of a scan that a new scan replaced before the page was written is never announced,
// and its file does not stay behind.
TEST(FakeScannerDevice, OnItsOwnThreadAPageOfAReplacedScanIsDropped)
{
    QTemporaryDir first, second;
    VirtualDelayScheduler clock;
    auto gate = std::make_shared<Gate>();
    std::atomic<bool> blockFirst{true};
    FakeScannerDevice::Script script;
    script.ownThread = true;
    script.pages = 1;
    script.firstPageDelay = 100ms;
    script.pageImage = [gate, &blockFirst](int page) {
        if (blockFirst.exchange(false))
            gate->wait();
        return pageWithBlock(page);
    };
    FakeScannerDevice device(script, clock);
    Announcements seen(device);
    device.requestScan(requestInto(first.path(), false));
    clock.advance(100ms); // the page is being made
    device.cancelScan();
    device.requestScan(requestInto(second.path(), false));
    gate->release();
    clock.advance(10s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.events.size() >= 3; }, 10000)) << seen.events.join(", ").toStdString();
    QCoreApplication::processEvents();
    // The cancel's end, then the second scan's page and end; the first scan's page never comes.
    EXPECT_EQ(seen.events, (QStringList{"end: Canceled.", "card_0001.png", "end"}));
    EXPECT_TRUE(QDir(first.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(QDir(second.path()).entryList(QDir::Files), QStringList{"card_0001.png"});
}
