#pragma once

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

namespace vantry::test {

// Turns the mouse wheel over the middle of `widget` by `notches` (negative: towards the user,
// which scrolls down), as the pointer resting there would. Returns whether it was taken.
inline bool turnWheel(QWidget* widget, int notches)
{
    const QPointF local = QRectF(widget->rect()).center();
    QWheelEvent event(local, widget->mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

} // namespace vantry::test
