#pragma once

#include <QColor>
#include <QPixmap>

namespace vantry {

// A drawn magnifying glass (the fonts on Linux have no good glyph for it), `size` points square.
QPixmap magnifierSymbol(int size, const QColor& colour, qreal devicePixelRatio);

} // namespace vantry
