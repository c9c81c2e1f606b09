#pragma once

#include "core/foil/FoilSeparator.h"
#include "core/reading/SeparatorGlyph.h"

#include <QImage>

#include <optional>
#include <utility>
#include <vector>

namespace vantry {

// Looks for the foil star in the bottom-left band of a card without reading text:
// threshold the band, split it into glyph-sized components, take the lowest dense text
// line and test its components for a star outline. Answers `star` or `unknown`, never `dot`.
class FoilBandScan {
public:
    FoilBandScan() = delete;

    // One connected component of a mask.
    struct Comp {
        std::vector<int> pts; // row-major indices into the band, in fill order
        int minX = 0;
        int minY = 0;
        int w = 0;
        int h = 0;
        int area = 0;
    };

    struct BandScan {
        bool hasDenseLine = false;
        bool foundStar = false;
        bool operator==(const BandScan&) const = default;
    };

    struct StarFeatures {
        double solidity = 0;
        double circularity = 0;
        int defects = 0;
        double aspect = 0;
    };

    struct Line {
        std::vector<Comp> line;
        bool hasDense = false;
    };

    using Point = std::pair<int, int>; // (x, y)
    using Mask = std::vector<bool>;

    static SeparatorGlyph starGlyph(const QImage& card);
    static BandScan scanBand(const QImage& image, int cardW, int cardH, bool invert);

    // Dark ink on a light ground: luma at or below the Otsu threshold.
    static std::optional<Mask> darknessMask(const QImage& image);
    // Light ink on a dark ground: min(R, G, B) above the Otsu threshold.
    static std::optional<Mask> whitenessMask(const QImage& image);
    // 4-connected components in row-major order of their first pixel.
    static std::vector<Comp> components(const Mask& mask, int w, int h);
    static Line bottomLineDense(const std::vector<Comp>& comps);
    // Moore-neighbour outline, clockwise from the component's top-left pixel.
    static std::vector<Point> traceContour(const Comp& comp, int w);
    static int convexityDefects(const std::vector<Point>& outline, int area);
    static StarFeatures starFeatures(const Comp& comp, const std::vector<Point>& outline, int w);
    // The star gates of the band scan on one component (position excluded).
    static bool looksLikeStar(const Comp& comp, int w);
};

} // namespace vantry
