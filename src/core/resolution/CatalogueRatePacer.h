#pragma once

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace vantry {

// Keeps the process within the public catalogue's rate limit: request starts at least
// `spacing` apart (10 a second), and after a "429 Too Many Requests" no request at all
// for `lockout` (the catalogue refuses a client for 30 s and extends the ban on every
// further request). Shared by everything that talks to the catalogue.
class CatalogueRatePacer {
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    using Sleep = std::function<QCoro::Task<void>(std::chrono::milliseconds)>;

    static constexpr std::chrono::milliseconds defaultSpacing{100};
    static constexpr std::chrono::milliseconds defaultLockout{30000};

    // Defaults: a monotonic clock and a timer on the calling thread's event loop.
    explicit CatalogueRatePacer(std::chrono::milliseconds spacing = defaultSpacing,
                                std::chrono::milliseconds lockout = defaultLockout, Clock clock = {},
                                Sleep sleep = {});

    // The process's pacer.
    static std::shared_ptr<CatalogueRatePacer> shared();

    // Waits for this request's turn. False: the catalogue has locked us out, do not send.
    QCoro::Task<bool> acquire();
    // The catalogue answered 429.
    void noteTooManyRequests();
    bool lockedOut() const;

private:
    std::chrono::milliseconds spacing_;
    std::chrono::milliseconds lockout_;
    Clock clock_;
    Sleep sleep_;
    mutable std::mutex mutex_;
    std::chrono::milliseconds nextSlot_{0};
    std::chrono::milliseconds lockedUntil_{-1};
};

} // namespace vantry
