#pragma once

#include "app/recount/RecountLine.h"

#include <QString>

class QLabel;
class QWidget;

namespace vantry::RecountStyle {

QString glyph(RecountLine::Symbol symbol);
// Shows `line` in a label: its symbol, a space and its text, in its colour.
void show(QLabel* label, const RecountLine& line);
// A label in caption size (`scale` of the normal font) and the secondary colour.
QLabel* caption(const QString& text, const QString& name, QWidget* parent, double scale = 0.85);

} // namespace vantry::RecountStyle
