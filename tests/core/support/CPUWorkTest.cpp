#include "core/support/CPUWork.h"

#include <QCoreApplication>
#include <QThread>
#include <QCoroTask>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace vantry;

namespace {

int queueIndex(const QString& label, CPULane lane)
{
    const QString prefix = CPUWork::queueLabel(lane, 0).chopped(1);
    EXPECT_TRUE(label.startsWith(prefix)) << label.toStdString();
    bool ok = false;
    const int index = label.mid(prefix.size()).toInt(&ok);
    EXPECT_TRUE(ok) << label.toStdString();
    return index;
}

QCoro::Task<QString> labelOf(CPULane lane)
{
    co_return co_await CPUWork::run([] { return SerialQueue::currentLabel(); }, lane);
}

} // namespace

TEST(CPUWork, WidthIsProcessorsLessTwoButAtLeastTwo)
{
    const std::pair<int, int> cases[] = {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 3}, {8, 6}, {10, 8}};
    for (const auto& [processors, width] : cases)
        EXPECT_EQ(CPUWork::widthFor(processors), width) << processors;
    EXPECT_EQ(CPUWork::width(), CPUWork::widthFor(QThread::idealThreadCount()));
}

TEST(CPUWork, RunsOffTheMainThreadAndResumesOnIt)
{
    QThread* main = QCoreApplication::instance()->thread();
    auto task = [&]() -> QCoro::Task<bool> {
        QThread* worker = co_await CPUWork::run([] { return QThread::currentThread(); });
        co_return worker != QThread::currentThread() && QThread::currentThread() == main;
    };
    EXPECT_TRUE(QCoro::waitFor(task()));
    // A void closure works too.
    int value = 0;
    QCoro::waitFor(CPUWork::run([&] { value = 7; }));
    EXPECT_EQ(value, 7);
}

TEST(CPUWork, OrdinaryQueuesRotateAndInteractivePairAlternatesApart)
{
    const int width = CPUWork::width();
    const int first = queueIndex(QCoro::waitFor(labelOf(CPULane::ordinary)), CPULane::ordinary);
    for (int i = 1; i <= width; ++i)
        EXPECT_EQ(queueIndex(QCoro::waitFor(labelOf(CPULane::ordinary)), CPULane::ordinary), (first + i) % width);

    const int a = queueIndex(QCoro::waitFor(labelOf(CPULane::interactive)), CPULane::interactive);
    const int b = queueIndex(QCoro::waitFor(labelOf(CPULane::interactive)), CPULane::interactive);
    const int c = queueIndex(QCoro::waitFor(labelOf(CPULane::interactive)), CPULane::interactive);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, c);
    // The interactive calls left the ordinary rotation where it was.
    EXPECT_EQ(queueIndex(QCoro::waitFor(labelOf(CPULane::ordinary)), CPULane::ordinary), (first + width + 1) % width);
}

TEST(CPUWork, WorkGoesToAnIdleQueueNotBehindALongJob)
{
    // One queue is held by a long job; the next `width` calls, one after the other, must all
    // run meanwhile. In strict rotation the last of them waits behind the long one, which
    // gives up after a while so that the failure is not a hang.
    const int width = CPUWork::width();
    std::mutex lock;
    std::condition_variable changed;
    int finished = 0;
    bool allRanWhileHeld = false;
    auto held = CPUWork::run([&] {
        std::unique_lock guard(lock);
        allRanWhileHeld = changed.wait_for(guard, std::chrono::seconds(20), [&] { return finished == width; });
    });
    for (int i = 0; i < width; ++i) {
        QCoro::waitFor(CPUWork::run([&] {
            std::lock_guard guard(lock);
            ++finished;
            changed.notify_all();
        }));
    }
    QCoro::waitFor(held);
    EXPECT_TRUE(allRanWhileHeld);
}

namespace {
// Counts live copies so that a double destruction shows up as a negative count.
struct Tracked {
    static inline int live = 0;
    Tracked() { ++live; }
    Tracked(const Tracked&) { ++live; }
    Tracked(Tracked&&) noexcept { ++live; }
    ~Tracked() { --live; }
};
} // namespace

TEST(CPUWork, InlineClosuresAreDestroyedExactlyOnce)
{
    // A capturing lambda written inside the co_await expression, the common way to call the pool.
    auto task = []() -> QCoro::Task<int> {
        Tracked held;
        const QStringList names{"a", "b"};
        const int n = co_await CPUWork::run([held, names] { return int(names.size()); });
        co_return n;
    };
    EXPECT_EQ(QCoro::waitFor(task()), 2);
    EXPECT_EQ(Tracked::live, 0);
}
