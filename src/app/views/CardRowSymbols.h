#pragma once

#include "app/review/CardRowTexts.h"

#include <QColor>
#include <QPixmap>

class QPainter;

namespace vantry::CardRowSymbols {

// The colour of a tint on a light window.
QColor color(CardRowTexts::Tint tint);
// "#rrggbb" or "rgba(...)" for style sheets.
QString css(const QColor& color);
// A status symbol drawn at `size` logical pixels (the platform's symbol fonts are not there).
QPixmap pixmap(CardRowTexts::Symbol symbol, const QColor& color, int size, qreal devicePixelRatio);
// One frame (`step` 0...11) of a spinner of twelve spokes from `inner` to `outer` around `centre`.
void paintSpinner(QPainter& painter, QPointF centre, qreal inner, qreal outer, qreal width, int step);
// The magnifier over the thumbnail: white glass on a dark disc.
QPixmap magnifier(int size, qreal devicePixelRatio);

} // namespace vantry::CardRowSymbols
