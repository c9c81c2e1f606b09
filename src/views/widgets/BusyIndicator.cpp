#include "views/widgets/BusyIndicator.h"

#include "views/Symbols.h"

#include <QPainter>

namespace vantry {

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) { setFixedSize(16, 16); }

void BusyIndicator::showEvent(QShowEvent*) { timer_ = startTimer(80); }

void BusyIndicator::hideEvent(QHideEvent*)
{
    if (timer_)
        killTimer(timer_);
    timer_ = 0;
}

void BusyIndicator::timerEvent(QTimerEvent*)
{
    step_ = (step_ + 1) % 12;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    Symbols::paintSpinner(p, QRectF(rect()).center(), 3.5, 7, 1.6, step_);
}

} // namespace vantry
