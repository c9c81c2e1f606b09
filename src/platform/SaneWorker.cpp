#include "platform/SaneWorker.h"

#include <sane/sane.h>

#include <mutex>

#include <pthread.h>

namespace vantry {

struct SaneWorker::Private {
    bool initialised = false;
    bool ready = false;
};

namespace {
std::mutex instanceLock;
std::weak_ptr<SaneWorker> instance;
} // namespace

std::shared_ptr<SaneWorker> SaneWorker::acquire()
{
    std::lock_guard lock(instanceLock);
    if (auto existing = instance.lock())
        return existing;
    std::shared_ptr<SaneWorker> created(new SaneWorker);
    instance = created;
    return created;
}

SaneWorker::SaneWorker() : d_(std::make_shared<Private>())
{
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "vantry-sane");
        loop();
    });
}

void SaneWorker::loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // stopping, and everything queued has run
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

SaneWorker::~SaneWorker()
{
    // Users queue the closing of their handles before letting go, so those run first.
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back([d = d_] {
            if (d->initialised && d->ready)
                sane_exit();
            d->initialised = d->ready = false;
        });
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SaneWorker::submit(std::function<void(bool)> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back([d = d_, job = std::move(job)] {
            if (!d->initialised) {
                d->initialised = true;
                SANE_Int version = 0;
                d->ready = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
            }
            job(d->ready);
        });
    }
    wake_.notify_one();
}

void SaneWorker::drain()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

} // namespace vantry
