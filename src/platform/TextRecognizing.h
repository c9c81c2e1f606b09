#pragma once

#include "platform/OCRLine.h"

#include <QImage>

#include <vector>

namespace vantry {

// Text recognition of one image: its lines, best reading each, most accurate level, no
// language correction. Coordinates are normalised to the image given, origin at the
// bottom-left. Failure is an empty list, never an exception.
//
// Implementations are safe to call from several threads at once; a call blocks while it
// works, so callers run it on the CPU pool.
class TextRecognizing {
public:
    virtual ~TextRecognizing() = default;

    virtual std::vector<OCRLine> recognizeLines(const QImage& image) const = 0;
};

} // namespace vantry
