#pragma once

#include "platform/SerialQueue.h"

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace vantry {

// The one thread that talks to SANE. It calls sane_init before the first job and
// sane_exit when the last user lets go, so every SANE call except sane_cancel happens
// here. A later user starts SANE afresh (and so rereads its configuration).
class SaneWorker {
public:
    static std::shared_ptr<SaneWorker> acquire();
    ~SaneWorker();

    SaneWorker(const SaneWorker&) = delete;
    SaneWorker& operator=(const SaneWorker&) = delete;

    // Runs `job` on the worker; `ready` tells whether sane_init succeeded.
    void submit(std::function<void(bool ready)> job);
    // Blocks until the jobs submitted so far have run (tests).
    void drain();

private:
    SaneWorker();
    struct Private;
    std::shared_ptr<Private> d_;
    SerialQueue queue_{QStringLiteral("vantry-sane")};
};

// Lets the worker hand results to a main-thread object that may be destroyed meanwhile:
// the owner detaches in its destructor, after which posts are dropped.
class SanePoster {
public:
    explicit SanePoster(QObject* owner) : owner_(owner) {}
    void detach()
    {
        std::lock_guard lock(mutex_);
        owner_ = nullptr;
    }
    template <class F>
    void post(F fn)
    {
        std::lock_guard lock(mutex_);
        if (owner_)
            QMetaObject::invokeMethod(owner_, std::move(fn), Qt::QueuedConnection);
    }

private:
    std::mutex mutex_;
    QObject* owner_;
};

} // namespace vantry
