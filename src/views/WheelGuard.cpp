#include "views/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QWheelEvent>
#include <QWidget>

namespace vantry::WheelGuard {

namespace {

class Filter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* control = static_cast<QWidget*>(watched);
        if (control->hasFocus())
            return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        // Handed to the form that scrolls, so that it is scrolled exactly once.
        for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
            auto* area = qobject_cast<QAbstractScrollArea*>(w);
            if (!area)
                continue;
            QWidget* viewport = area->viewport();
            QWheelEvent forwarded(viewport->mapFromGlobal(wheel->globalPosition()), wheel->globalPosition(),
                                  wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                                  wheel->phase(), wheel->inverted(), wheel->source(), wheel->pointingDevice());
            QCoreApplication::sendEvent(viewport, &forwarded);
            event->accept();
            return true;
        }
        // No scrolled form: the wheel goes on to the control's parents as if it had ignored it.
        event->ignore();
        return true;
    }
};

} // namespace

void takeWheelOnlyWhenFocused(QWidget* control)
{
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new Filter(control));
}

} // namespace vantry::WheelGuard
