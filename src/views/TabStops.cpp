#include "views/TabStops.h"

#include <QWidget>

namespace vantry::TabStops {

QList<QWidget*> of(const QWidget* container)
{
    QList<QWidget*> stops;
    for (QWidget* w = container->nextInFocusChain(); w && w != container; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && container->isAncestorOf(w))
            stops << w;
    }
    return stops;
}

QWidget* before(QWidget* container)
{
    for (QWidget* w = container->previousInFocusChain(); w && w != container; w = w->previousInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !container->isAncestorOf(w))
            return w;
    }
    return nullptr;
}

QWidget* chain(QWidget* previous, const QList<QWidget*>& controls)
{
    if (!previous)
        return nullptr;
    for (QWidget* control : controls) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
    return previous;
}

} // namespace vantry::TabStops
