#pragma once

#include "platform/DelayScheduler.h"

#include <QPointer>

#include <map>
#include <utility>

namespace vantry {

// Delays on a virtual clock that moves only when a test advances it. Queued events are
// processed before and after every action, so work that hops through the event loop runs
// at the virtual moment it belongs to.
class VirtualDelayScheduler final : public DelayScheduler {
public:
    void after(std::chrono::milliseconds delay, QObject* context, std::function<void()> action) override;

    // Moves the clock forward by `step`, running every action that falls due on the way.
    void advance(std::chrono::milliseconds step);

    std::chrono::milliseconds now() const { return now_; }
    size_t pending() const { return entries_.size(); }

private:
    struct Entry {
        QPointer<QObject> context;
        std::function<void()> action;
    };
    std::chrono::milliseconds now_{0};
    quint64 sequence_ = 0;
    std::map<std::pair<std::chrono::milliseconds, quint64>, Entry> entries_;
};

} // namespace vantry
