#pragma once

#include <QString>

namespace vantry {

// One recognised text line. `midY` and `height` are normalised to the whole image that
// was read: 0 at the bottom edge, 1 at the top edge.
struct OCRLine {
    QString text;
    double midY = 0;
    double height = 0;

    bool operator==(const OCRLine&) const = default;
};

} // namespace vantry
