#include "views/ReturnKey.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace vantry::ReturnKey {

namespace {

class Filter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (!button->isEnabled())
            return false;
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }
};

} // namespace

void clicks(QAbstractButton* button) { button->installEventFilter(new Filter(button)); }

} // namespace vantry::ReturnKey
