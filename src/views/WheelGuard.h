#pragma once

class QWidget;

namespace vantry::WheelGuard {

// A control in a scrolled form (slider, spin box, picker) takes the mouse wheel only once the
// user has focused it (a click or Tab); until then the wheel scrolls the form, so scrolling
// past a control never changes a setting. The wheel no longer focuses the control.
void takeWheelOnlyWhenFocused(QWidget* control);

} // namespace vantry::WheelGuard
