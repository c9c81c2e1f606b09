#pragma once

#include <QObject>

#include <chrono>
#include <functional>

namespace vantry {

// Runs an action after a delay on the thread of a context object, unless the context was
// destroyed first. Timers are asked of this seam so that tests can run them on virtual time.
class DelayScheduler {
public:
    virtual ~DelayScheduler() = default;
    virtual void after(std::chrono::milliseconds delay, QObject* context, std::function<void()> action) = 0;
};

// Qt timers. `scale` shortens every delay (tests against real devices); 1 in the application.
class QtDelayScheduler final : public DelayScheduler {
public:
    explicit QtDelayScheduler(double scale = 1.0) : scale_(scale) {}
    void after(std::chrono::milliseconds delay, QObject* context, std::function<void()> action) override;

    static QtDelayScheduler& shared();

private:
    double scale_;
};

} // namespace vantry
