#include "platform/SaneWorker.h"

#include <sane/sane.h>

#include <mutex>

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

SaneWorker::SaneWorker() : d_(std::make_shared<Private>()) {}

SaneWorker::~SaneWorker()
{
    // Users queue the closing of their handles before letting go, so those run first; the
    // queue runs everything submitted before its thread ends.
    queue_.submit([d = d_] {
        if (d->initialised && d->ready)
            sane_exit();
        d->initialised = d->ready = false;
    });
}

void SaneWorker::submit(std::function<void(bool)> job)
{
    queue_.submit([d = d_, job = std::move(job)] {
        if (!d->initialised) {
            d->initialised = true;
            SANE_Int version = 0;
            d->ready = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        }
        job(d->ready);
    });
}

void SaneWorker::drain() { queue_.drain(); }

} // namespace vantry
