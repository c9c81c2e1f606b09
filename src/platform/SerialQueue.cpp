#include "platform/SerialQueue.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vantry {

namespace {
thread_local QString currentQueueLabel;
}

SerialQueue::SerialQueue(QString label, Priority priority) : label_(std::move(label))
{
    thread_ = std::thread([this, priority] {
        currentQueueLabel = label_;
        // Thread names are limited to 15 bytes; keep the distinctive tail.
        const QByteArray name = label_.toUtf8().right(15);
        pthread_setname_np(pthread_self(), name.constData());
        // Raising a thread's priority needs privileges, so the lower class is made by
        // lowering: its threads yield to the main thread and the high class.
        if (priority == Priority::lowered)
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 2);
        loop();
    });
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SerialQueue::submit(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialQueue::drain()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

std::size_t SerialQueue::load()
{
    std::lock_guard lock(mutex_);
    return jobs_.size() + (running_ ? 1 : 0);
}

QString SerialQueue::currentLabel() { return currentQueueLabel; }

void SerialQueue::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            if (stopping_)
                return;
            continue;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        if (jobs_.empty())
            idle_.notify_all();
    }
}

} // namespace vantry
