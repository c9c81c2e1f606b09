#pragma once

#include "app/recount/RecountLine.h"

#include <QColor>
#include <QString>

class QFrame;
class QLabel;
class QWidget;

namespace vantry::RecountStyle {

inline const QColor orange{255, 149, 0};
inline const QColor secondaryText{0x6e, 0x6e, 0x73};

QString glyph(RecountLine::Symbol symbol);
QColor colour(RecountLine::Tone tone);
// Shows `line` in a label: its symbol, a space and its text, in its colour.
void show(QLabel* label, const RecountLine& line);
// A label in caption size (`scale` of the normal font) and the secondary colour.
QLabel* caption(const QString& text, const QString& name, QWidget* parent, double scale = 0.85);
QFrame* divider(QWidget* parent, bool vertical = false);
// rgba() of `c` at `opacity` for style sheets.
QString rgba(const QColor& c, double opacity);

} // namespace vantry::RecountStyle
