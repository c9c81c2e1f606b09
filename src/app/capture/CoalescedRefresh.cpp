#include "app/capture/CoalescedRefresh.h"

#include <QMetaObject>

namespace vantry {

CoalescedRefresh::CoalescedRefresh(QObject* owner, std::function<void()> refresh)
    : QObject(owner), refresh_(std::move(refresh))
{
}

void CoalescedRefresh::request()
{
    if (pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, &CoalescedRefresh::flush, Qt::QueuedConnection);
}

void CoalescedRefresh::flush()
{
    if (!pending_)
        return;
    pending_ = false;
    ++runs_;
    refresh_();
}

} // namespace vantry
