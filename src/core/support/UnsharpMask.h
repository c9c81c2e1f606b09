#pragma once

#include <QImage>

namespace vantry {

// Unsharp mask: the image plus `intensity` times its difference from a Gaussian blur of
// standard deviation `radius` pixels. Works on 8-bit RGB(A); the result has the input's
// size, format and resolution. A null image gives a null image.
QImage unsharpMask(const QImage& image, double radius, double intensity);

} // namespace vantry
