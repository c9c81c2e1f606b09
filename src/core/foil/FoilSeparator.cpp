#include "core/foil/FoilSeparator.h"

#include "core/foil/PixelComponents.h"

#include "core/support/ImageDecode.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantry {

std::optional<ScanFinish> FoilSeparator::finish(SeparatorGlyph glyph)
{
    switch (glyph) {
    case SeparatorGlyph::star:
        return ScanFinish::foil;
    case SeparatorGlyph::dot:
        return ScanFinish::nonfoil;
    case SeparatorGlyph::unknown:
        break;
    }
    return std::nullopt;
}

int FoilSeparator::otsuThreshold(const std::vector<std::uint8_t>& grey)
{
    if (grey.empty())
        return 127;
    std::array<qint64, 256> histogram{};
    for (std::uint8_t v : grey)
        ++histogram[v];
    const qint64 total = qint64(grey.size());
    double sum = 0;
    for (int i = 0; i < 256; ++i)
        sum += double(i) * double(histogram[i]);

    qint64 wB = 0;
    double sumB = 0;
    double best = 0;
    int threshold = 0;
    for (int t = 0; t < 256; ++t) {
        wB += histogram[t];
        if (wB == 0)
            continue;
        const qint64 wF = total - wB;
        if (wF == 0)
            break;
        sumB += double(t) * double(histogram[t]);
        const double mB = sumB / double(wB);
        const double mF = (sum - sumB) / double(wF);
        const double between = double(wB) * double(wF) * (mB - mF) * (mB - mF);
        if (between > best) {
            best = between;
            threshold = t;
        }
    }
    return threshold;
}

std::optional<FoilSeparator::Blob> FoilSeparator::largestWhiteBlob(const QImage& crop)
{
    const int w = crop.width();
    const int h = crop.height();
    if (w < 2 || h < 2 || qint64(w) * qint64(h) > maxPixels)
        return std::nullopt;
    const QImage rgba = image::toWorkingFormat(crop);
    if (rgba.isNull())
        return std::nullopt;

    const std::size_t n = std::size_t(w) * std::size_t(h);
    std::vector<std::uint8_t> grey(n);
    for (int y = 0; y < h; ++y) {
        const uchar* row = rgba.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            const uchar* p = row + 4 * x;
            grey[std::size_t(y) * w + x] = std::min({p[0], p[1], p[2]});
        }
    }
    // A flat crop has no foreground: every pixel would pass a threshold of 0 and the
    // "blob" would be the crop's own rectangle.
    const auto [lo, hi] = std::minmax_element(grey.begin(), grey.end());
    if (*lo == *hi)
        return std::nullopt;

    const int t = otsuThreshold(grey);
    std::optional<Blob> best;
    forEach4ConnectedComponent(
        w, h, [&](int i) { return grey[i] > t; },
        [&](const PixelComponent& c) {
            const int area = int(c.pixels.size());
            if (best && area <= best->area)
                return;
            Blob region;
            region.points.reserve(c.pixels.size());
            for (int i : c.pixels)
                region.points.emplace_back(i % w, i / w);
            region.area = area;
            region.width = c.maxX - c.minX + 1;
            region.height = c.maxY - c.minY + 1;
            best = std::move(region);
        });
    return best;
}

namespace {

double cross(const FoilSeparator::Pt& a, const FoilSeparator::Pt& b, const FoilSeparator::Pt& p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

} // namespace

std::vector<FoilSeparator::Pt> FoilSeparator::convexHull(std::vector<Pt> points)
{
    if (points.size() < 3)
        return points;
    std::stable_sort(points.begin(), points.end(),
                     [](const Pt& a, const Pt& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    auto chain = [](auto first, auto last) {
        std::vector<Pt> out;
        for (auto it = first; it != last; ++it) {
            while (out.size() >= 2 && cross(out[out.size() - 2], out.back(), *it) <= 0)
                out.pop_back();
            out.push_back(*it);
        }
        return out;
    };
    std::vector<Pt> lower = chain(points.begin(), points.end());
    std::vector<Pt> upper = chain(points.rbegin(), points.rend());
    lower.pop_back();
    upper.pop_back();
    lower.insert(lower.end(), upper.begin(), upper.end());
    return lower;
}

double FoilSeparator::polygonArea(const std::vector<Pt>& polygon)
{
    if (polygon.size() < 3)
        return 0;
    double sum = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Pt& a = polygon[i];
        const Pt& b = polygon[(i + 1) % polygon.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return std::abs(sum) / 2;
}

double FoilSeparator::convexHullArea(const std::vector<std::pair<int, int>>& points)
{
    if (points.size() < 3)
        return 0;
    std::vector<Pt> pts;
    pts.reserve(points.size());
    for (const auto& [x, y] : points)
        pts.push_back({double(x), double(y)});
    return polygonArea(convexHull(std::move(pts)));
}

SeparatorGlyph FoilSeparator::classify(const QImage& crop, double starMaxSolidity, double dotMinSolidity)
{
    const std::optional<Blob> blob = largestWhiteBlob(crop);
    if (!blob || blob->area < 16)
        return SeparatorGlyph::unknown;
    // A blob that fills the whole crop is the ground, not a glyph.
    if (qint64(blob->area) == qint64(crop.width()) * crop.height())
        return SeparatorGlyph::unknown;
    const double aspect = double(blob->width) / double(std::max(blob->height, 1));
    if (aspect < 0.45 || aspect > 2.2)
        return SeparatorGlyph::unknown;
    const double hull = convexHullArea(blob->points);
    if (!(hull > 0))
        return SeparatorGlyph::unknown;
    const double solidity = double(blob->area) / hull;
    if (solidity <= starMaxSolidity)
        return SeparatorGlyph::star;
    if (solidity >= dotMinSolidity)
        return SeparatorGlyph::dot;
    return SeparatorGlyph::unknown;
}

} // namespace vantry
