#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace vantry {

// Lets a value be published at most once per interval. Times are monotonic nanoseconds.
struct PublishThrottle {
    std::chrono::nanoseconds interval;
    std::optional<qint64> windowStart; // the last firing

    explicit PublishThrottle(std::chrono::nanoseconds interval) : interval(interval) {}

    // A firing exactly one interval after the previous one is allowed; `force` always fires
    // and restarts the window.
    bool shouldFire(qint64 nowNs, bool force)
    {
        if (!force && windowStart && nowNs < *windowStart + interval.count())
            return false;
        windowStart = nowNs;
        return true;
    }
};

} // namespace vantry
