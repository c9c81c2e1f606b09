#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPolygonF>

namespace vantry::test {

// Small synthetic images of separator glyphs and collector bands, drawn without
// antialiasing so that their pixel areas are predictable.

// A regular star with `points` tips, outer radius `outer`, inner radius `inner`, first tip up.
QPolygonF starPolygon(QPointF centre, double outer, double inner, int points = 5);

// An image of `size` filled with `ground`.
QImage filledImage(QSize size, QColor ground);

void drawStar(QImage& image, QPointF centre, double outer, double inner, QColor ink);
// A disc of the pixels whose centres lie within `radius` (and, for a ring, outside `hole`).
void drawDisc(QImage& image, QPointF centre, double radius, QColor ink, double hole = 0);
void drawRect(QImage& image, QRect rect, QColor ink);

} // namespace vantry::test
