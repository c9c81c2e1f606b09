#include "core/support/CPUWork.h"

#include <QMetaObject>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace vantry {

namespace {

struct Pool {
    std::vector<std::unique_ptr<SerialQueue>> queues;
    std::vector<std::unique_ptr<SerialQueue>> interactiveQueues;
    std::mutex cursorLock;
    quint64 cursor = 0;
    quint64 interactiveCursor = 0;

    Pool()
    {
        const int n = CPUWork::width();
        for (int i = 0; i < n; ++i)
            queues.push_back(std::make_unique<SerialQueue>(CPUWork::queueLabel(CPULane::ordinary, i),
                                                           SerialQueue::Priority::lowered));
        for (int i = 0; i < 2; ++i)
            interactiveQueues.push_back(std::make_unique<SerialQueue>(
                CPUWork::queueLabel(CPULane::interactive, i), SerialQueue::Priority::normal));
    }

    SerialQueue& next(CPULane lane)
    {
        std::lock_guard lock(cursorLock);
        if (lane == CPULane::interactive)
            return *interactiveQueues[interactiveCursor++ % interactiveQueues.size()];
        // The least busy queue from the cursor on: strict rotation would queue work behind a
        // long job while another queue stands idle.
        const std::size_t n = queues.size();
        std::size_t best = cursor % n;
        std::size_t bestLoad = queues[best]->load();
        for (std::size_t k = 1; k < n && bestLoad > 0; ++k) {
            const std::size_t i = (cursor + k) % n;
            const std::size_t load = queues[i]->load();
            if (load < bestLoad)
                best = i, bestLoad = load;
        }
        cursor = best + 1;
        return *queues[best];
    }
};

// Created on first use and kept for the life of the process: work may still be queued
// while static destructors run, so the pool is never torn down.
Pool& pool()
{
    static Pool* instance = new Pool;
    return *instance;
}

} // namespace

int CPUWork::widthFor(int processors) { return std::max(processors - 2, 2); }

int CPUWork::width()
{
    static const int value = widthFor(QThread::idealThreadCount());
    return value;
}

QString CPUWork::queueLabel(CPULane lane, int index)
{
    return lane == CPULane::interactive
               ? QStringLiteral("com.vantry.capture.cpu-work.interactive.%1").arg(index)
               : QStringLiteral("com.vantry.capture.cpu-work.%1").arg(index);
}

void CPUWork::submit(std::function<void()> job, CPULane lane) { pool().next(lane).submit(std::move(job)); }

std::function<void(std::function<void()>)> CPUWork::resumerForCurrentThread()
{
    // One receiver per awaiting thread; queued calls to it run on that thread's event loop.
    thread_local std::unique_ptr<QObject> receiver;
    if (!receiver)
        receiver = std::make_unique<QObject>();
    QPointer<QObject> target = receiver.get();
    return [target](std::function<void()> resume) {
        if (target)
            QMetaObject::invokeMethod(target.data(), std::move(resume), Qt::QueuedConnection);
    };
}

} // namespace vantry
