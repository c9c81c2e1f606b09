#pragma once

class QAbstractButton;

namespace vantry::ReturnKey {

// Return (and Enter on the keypad) presses the button while it has the keyboard focus, as Space
// does. Qt's own buttons take only Space, except a push button in a dialog; there a focused
// button's Return went on to the dialog and pressed its default button instead of this one.
// Return elsewhere in a dialog still reaches the default button.
void clicks(QAbstractButton* button);

} // namespace vantry::ReturnKey
