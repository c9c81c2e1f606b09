#include "platform/DelayScheduler.h"

#include <QTimer>

#include <cmath>

namespace vantry {

void QtDelayScheduler::after(std::chrono::milliseconds delay, QObject* context, std::function<void()> action)
{
    const auto scaled = std::chrono::milliseconds(std::llround(double(delay.count()) * scale_));
    QTimer::singleShot(scaled, context, std::move(action));
}

QtDelayScheduler& QtDelayScheduler::shared()
{
    static QtDelayScheduler scheduler;
    return scheduler;
}

} // namespace vantry
