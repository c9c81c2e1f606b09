#include "platform/SaneWorker.h"

#include <sane/sane.h>

#include <cerrno>
#include <dlfcn.h>
#include <pthread.h>

#include <mutex>

// SANE backends read pages on a helper thread that switches itself to asynchronous
// cancellation, and end it with pthread_cancel when a pass is cancelled. Cancelled
// asynchronously inside malloc/free or gettext (strerror), that thread dies holding a heap
// arena's lock or the locale lock, and the next thread to take it (a later page, a thread
// exit, exit() freeing a locale) waits forever. So this process never switches on
// asynchronous cancellation: the request becomes deferred cancellation, and the reader
// thread ends at its next cancellation point (its pipe write, whose other end the backend
// has already closed). The executable exports this definition, so the backends SANE loads
// bind to it rather than to the C library's.
extern "C" int pthread_setcanceltype(int type, int* oldType)
{
    using Fn = int (*)(int, int*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    if (!real)
        return ENOSYS;
    return real(type == PTHREAD_CANCEL_ASYNCHRONOUS ? PTHREAD_CANCEL_DEFERRED : type, oldType);
}

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
