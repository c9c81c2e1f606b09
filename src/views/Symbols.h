#pragma once

#include "app/review/CardRowTexts.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QPointF>
#include <QString>

class QPainter;

// The windows' small symbols, drawn here: the desktop's icon themes and symbol fonts differ
// too much, or lack the glyphs, and these look the same everywhere.
namespace vantry::Symbols {

// A bar symbol by name ("eye", "pause.fill", ...) in one colour, on a 16-point grid scaled to
// `size`. An unknown name draws nothing.
QPixmap pixmap(const QString& name, const QColor& color, int size = 16, qreal ratio = 2.0);
// A button's icon: the symbol followed by `gap` clear points, so the title does not touch it
// (the button's icon size must be size + gap wide).
QIcon icon(const QString& name, const QColor& color, int size = 16, int gap = 0);
// The space a button's symbol keeps before its title.
inline constexpr int iconGap = 5;

// A card row's status symbol drawn at `size` logical pixels.
QPixmap pixmap(CardRowTexts::Symbol symbol, const QColor& color, int size, qreal devicePixelRatio);
// One frame (`step` 0...11) of a spinner of twelve spokes from `inner` to `outer` around `centre`.
void paintSpinner(QPainter& painter, QPointF centre, qreal inner, qreal outer, qreal width, int step);
// The magnifier over a thumbnail: white glass on a dark disc.
QPixmap magnifierBadge(int size, qreal devicePixelRatio);
// A magnifying glass in one colour, `size` points square.
QPixmap magnifier(int size, const QColor& colour, qreal devicePixelRatio);

} // namespace vantry::Symbols
