#include "core/resolution/CatalogueRatePacer.h"

#include <QCoroTimer>

#include <algorithm>

namespace vantry {

CatalogueRatePacer::CatalogueRatePacer(std::chrono::milliseconds spacing, std::chrono::milliseconds lockout,
                                       Clock clock, Sleep sleep)
    : spacing_(spacing), lockout_(lockout), clock_(std::move(clock)), sleep_(std::move(sleep))
{
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
    if (!sleep_)
        sleep_ = [](std::chrono::milliseconds wait) -> QCoro::Task<void> { co_await QCoro::sleepFor(wait); };
}

std::shared_ptr<CatalogueRatePacer> CatalogueRatePacer::shared()
{
    static const auto instance = std::make_shared<CatalogueRatePacer>();
    return instance;
}

QCoro::Task<bool> CatalogueRatePacer::acquire()
{
    std::chrono::milliseconds wait{0};
    {
        std::lock_guard lock(mutex_);
        const auto now = clock_();
        if (now < lockedUntil_)
            co_return false;
        const auto slot = std::max(now, nextSlot_);
        nextSlot_ = slot + spacing_;
        wait = slot - now;
    }
    if (wait.count() > 0) {
        auto sleeping = sleep_(wait);
        co_await std::move(sleeping);
    }
    co_return !lockedOut();
}

void CatalogueRatePacer::noteTooManyRequests()
{
    std::lock_guard lock(mutex_);
    lockedUntil_ = clock_() + lockout_;
}

bool CatalogueRatePacer::lockedOut() const
{
    std::lock_guard lock(mutex_);
    return clock_() < lockedUntil_;
}

} // namespace vantry
