#pragma once

#include <QList>

class QWidget;

// Tab order by screen order. Qt visits a window's controls in the order they were created, and
// parts built later (rows scrolled in, chips, banners, candidates of a new search) went to the
// end of the window's order, after the footer.
namespace vantry::TabStops {

// The controls inside `container` that Tab stops at, in their present tab order.
QList<QWidget*> of(const QWidget* container);
// The tab stop just before `container` and its controls; none when nothing before it takes Tab.
QWidget* before(QWidget* container);
// Puts `controls` in this order right after `previous`, a tab stop; returns the last of them
// (or `previous` when there are none). Does nothing without `previous`.
QWidget* chain(QWidget* previous, const QList<QWidget*>& controls);

} // namespace vantry::TabStops
