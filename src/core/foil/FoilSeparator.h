#pragma once

#include "core/card/ScanFinish.h"
#include "core/reading/SeparatorGlyph.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vantry {

// Tells a star from a dot in a small crop that holds only the separator glyph, by the
// solidity (pixel area over convex-hull area) of the largest bright blob.
class FoilSeparator {
public:
    FoilSeparator() = delete;

    // The largest bright region of a crop.
    struct Blob {
        std::vector<std::pair<int, int>> points; // (x, y) in fill order
        int area = 0;
        int width = 0;
        int height = 0;
    };

    struct Pt {
        double x = 0;
        double y = 0;
        bool operator==(const Pt&) const = default;
    };

    // Crops above this many pixels are refused (bounds the fill's memory).
    static constexpr qint64 maxPixels = 4'000'000;

    static SeparatorGlyph classify(const QImage& crop, double starMaxSolidity, double dotMinSolidity);

    // star -> foil, dot -> nonfoil, unknown -> no finish.
    static std::optional<ScanFinish> finish(SeparatorGlyph glyph);

    // Otsu's threshold over 8-bit grey values; the lowest level wins a tie, an empty input
    // gives 127 and a single grey level gives 0.
    static int otsuThreshold(const std::vector<std::uint8_t>& grey);

    // Largest 4-connected region of pixels whose min(R, G, B) is above the Otsu threshold.
    // None for a crop under 2 pixels on a side, above maxPixels, or of one grey level.
    static std::optional<Blob> largestWhiteBlob(const QImage& crop);

    // Monotone-chain hull (collinear points dropped); fewer than 3 points come back as given.
    static std::vector<Pt> convexHull(std::vector<Pt> points);
    // Shoelace area of a polygon; 0 below 3 vertices.
    static double polygonArea(const std::vector<Pt>& polygon);
    // Area of the convex hull of pixel coordinates, measured between pixel centres.
    static double convexHullArea(const std::vector<std::pair<int, int>>& points);
};

} // namespace vantry
