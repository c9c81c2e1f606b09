#include "platform/VirtualDelayScheduler.h"

#include <QCoreApplication>

namespace vantry {

void VirtualDelayScheduler::after(std::chrono::milliseconds delay, QObject* context, std::function<void()> action)
{
    entries_.emplace(std::pair{now_ + std::max(delay, std::chrono::milliseconds(0)), sequence_++},
                     Entry{QPointer<QObject>(context), std::move(action)});
}

void VirtualDelayScheduler::advance(std::chrono::milliseconds step)
{
    const auto target = now_ + step;
    QCoreApplication::processEvents();
    while (!entries_.empty() && entries_.begin()->first.first <= target) {
        auto node = entries_.extract(entries_.begin());
        now_ = node.key().first;
        if (node.mapped().context)
            node.mapped().action();
        QCoreApplication::processEvents();
    }
    now_ = target;
    QCoreApplication::processEvents();
}

} // namespace vantry
