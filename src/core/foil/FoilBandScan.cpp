#include "core/foil/FoilBandScan.h"

#include "core/foil/PixelComponents.h"

#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantry {

namespace {

using Pt = FoilSeparator::Pt;

constexpr double bandTopFraction = 0.82;
constexpr double bandWidthFraction = 0.46;
constexpr double minHeightFraction = 0.009;
constexpr double maxHeightFraction = 0.032;
constexpr double maxWidthFraction = 0.12;
constexpr int minArea = 10;
constexpr double lineJoinFactor = 0.6;
constexpr double positionGate = 0.58;

std::optional<QImage> drawable(const QImage& image)
{
    if (image.width() < 2 || image.height() < 2 ||
        qint64(image.width()) * image.height() > FoilSeparator::maxPixels)
        return std::nullopt;
    QImage rgba = image::toWorkingFormat(image);
    if (rgba.isNull())
        return std::nullopt;
    return rgba;
}

template <class Grey, class Set>
std::optional<FoilBandScan::Mask> thresholdMask(const QImage& image, Grey grey, Set isSet)
{
    const std::optional<QImage> rgba = drawable(image);
    if (!rgba)
        return std::nullopt;
    const int w = rgba->width();
    const int h = rgba->height();
    std::vector<std::uint8_t> values(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* row = rgba->constScanLine(y);
        for (int x = 0; x < w; ++x)
            values[std::size_t(y) * w + x] = grey(row + 4 * x);
    }
    const int t = FoilSeparator::otsuThreshold(values);
    FoilBandScan::Mask mask(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        mask[i] = isSet(values[i], t);
    return mask;
}

double centreY(const FoilBandScan::Comp& c) { return c.minY + c.h / 2.0; }

double distanceToSegment(const FoilBandScan::Point& p, const FoilBandScan::Point& a,
                         const FoilBandScan::Point& b)
{
    const double px = p.first, py = p.second;
    const double ax = a.first, ay = a.second;
    const double dx = b.first - ax, dy = b.second - ay;
    const double len2 = dx * dx + dy * dy;
    if (len2 == 0)
        return std::hypot(px - ax, py - ay);
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

} // namespace

std::optional<FoilBandScan::Mask> FoilBandScan::darknessMask(const QImage& image)
{
    return thresholdMask(
        image,
        [](const uchar* p) {
            const double grey = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            return std::uint8_t(std::clamp(grey, 0.0, 255.0));
        },
        [](std::uint8_t v, int t) { return int(v) <= t; });
}

std::optional<FoilBandScan::Mask> FoilBandScan::whitenessMask(const QImage& image)
{
    return thresholdMask(
        image, [](const uchar* p) { return std::min({p[0], p[1], p[2]}); },
        [](std::uint8_t v, int t) { return int(v) > t; });
}

std::vector<FoilBandScan::Comp> FoilBandScan::components(const Mask& mask, int w, int h)
{
    std::vector<Comp> out;
    if (w < 1 || h < 1 || mask.size() < std::size_t(w) * h)
        return out;
    forEach4ConnectedComponent(
        w, h, [&](int i) { return mask[i] != 0; },
        [&](const PixelComponent& c) {
            out.push_back(Comp{c.pixels, c.minX, c.minY, c.maxX - c.minX + 1, c.maxY - c.minY + 1,
                               int(c.pixels.size())});
        });
    return out;
}

FoilBandScan::Line FoilBandScan::bottomLineDense(const std::vector<Comp>& comps)
{
    if (comps.empty())
        return {};
    std::vector<Comp> sorted = comps;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Comp& a, const Comp& b) { return centreY(a) < centreY(b); });
    std::vector<int> heights;
    heights.reserve(sorted.size());
    for (const Comp& c : sorted)
        heights.push_back(c.h);
    std::sort(heights.begin(), heights.end());
    const double median = heights[heights.size() / 2];

    std::vector<std::vector<Comp>> lines;
    for (const Comp& c : sorted) {
        if (!lines.empty() && centreY(c) - centreY(lines.back().back()) <= lineJoinFactor * median)
            lines.back().push_back(c);
        else
            lines.push_back({c});
    }
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->size() > 3)
            return {*it, true};
    }
    return {lines.back(), false};
}

std::vector<FoilBandScan::Point> FoilBandScan::traceContour(const Comp& comp, int w)
{
    std::vector<Point> outline;
    if (comp.pts.empty() || w < 1)
        return outline;
    // Membership over the component's own bounding box.
    std::vector<std::uint8_t> inside(std::size_t(comp.w) * comp.h, 0);
    for (int i : comp.pts)
        inside[std::size_t(i / w - comp.minY) * comp.w + (i % w - comp.minX)] = 1;
    auto isMember = [&](int x, int y) {
        const int lx = x - comp.minX;
        const int ly = y - comp.minY;
        return lx >= 0 && ly >= 0 && lx < comp.w && ly < comp.h && inside[std::size_t(ly) * comp.w + lx];
    };

    static constexpr int dirs[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    const int startIndex = *std::min_element(comp.pts.begin(), comp.pts.end());
    const Point start{startIndex % w, startIndex / w};
    outline.push_back(start);
    Point current = start;
    int back = 4;
    const qint64 maxSteps = 4 * qint64(comp.pts.size()) + 32;
    for (qint64 step = 0; step < maxSteps; ++step) {
        int chosen = -1;
        for (int k = 1; k <= 8; ++k) {
            const int d = (back + k) % 8;
            if (isMember(current.first + dirs[d][0], current.second + dirs[d][1])) {
                chosen = d;
                break;
            }
        }
        if (chosen < 0)
            break;
        const Point next{current.first + dirs[chosen][0], current.second + dirs[chosen][1]};
        if (next == start)
            break;
        outline.push_back(next);
        current = next;
        back = (chosen + 4) % 8;
    }
    return outline;
}

int FoilBandScan::convexityDefects(const std::vector<Point>& outline, int area)
{
    if (outline.size() < 5)
        return 0;
    std::vector<Pt> pts;
    pts.reserve(outline.size());
    for (const auto& [x, y] : outline)
        pts.push_back({double(x), double(y)});
    const std::vector<Pt> hull = FoilSeparator::convexHull(pts);
    if (hull.size() < 3)
        return 0;

    std::vector<int> indices;
    for (const Pt& v : hull) {
        const Point rounded{int(std::lround(v.x)), int(std::lround(v.y))};
        const auto it = std::find(outline.begin(), outline.end(), rounded);
        if (it != outline.end())
            indices.push_back(int(it - outline.begin()));
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.size() < 3)
        return 0;

    const int n = int(outline.size());
    const double minDepth = 0.12 * std::sqrt(double(area));
    int defects = 0;
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const int a = indices[k];
        const int b = indices[(k + 1) % indices.size()];
        double depth = 0;
        int i = (a + 1) % n;
        for (int steps = 0; i != b && steps < n; ++steps, i = (i + 1) % n)
            depth = std::max(depth, distanceToSegment(outline[i], outline[a], outline[b]));
        if (depth > minDepth)
            ++defects;
    }
    return defects;
}

FoilBandScan::StarFeatures FoilBandScan::starFeatures(const Comp& comp, const std::vector<Point>& outline, int w)
{
    StarFeatures f;
    f.aspect = double(comp.w) / double(std::max(comp.h, 1));

    double perimeter = 0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const Point& a = outline[i];
        const Point& b = outline[(i + 1) % outline.size()];
        perimeter += std::hypot(double(b.first - a.first), double(b.second - a.second));
    }
    f.circularity = perimeter > 0 ? 4 * std::numbers::pi * comp.area / (perimeter * perimeter) : 0;
    f.defects = convexityDefects(outline, comp.area);

    std::vector<std::pair<int, int>> pixels;
    pixels.reserve(comp.pts.size());
    for (int i : comp.pts)
        pixels.emplace_back(i % w, i / w);
    const double hull = FoilSeparator::convexHullArea(pixels);
    f.solidity = hull > 0 ? comp.area / hull : 1.0;
    return f;
}

bool FoilBandScan::looksLikeStar(const Comp& comp, int w)
{
    const std::vector<Point> outline = traceContour(comp, w);
    if (outline.size() <= 4)
        return false;
    const double aspect = double(comp.w) / double(std::max(comp.h, 1));
    if (aspect < 0.55 || aspect > 1.6)
        return false;
    const StarFeatures f = starFeatures(comp, outline, w);
    return f.circularity < 0.62 && f.defects >= 4 && f.solidity < 0.8;
}

FoilBandScan::BandScan FoilBandScan::scanBand(const QImage& image, int cardW, int cardH, bool invert)
{
    const int y0 = int(cardH * bandTopFraction);
    const int bandH = cardH - y0;
    const int bandW = int(cardW * bandWidthFraction);
    if (bandW < 9 || bandH < 9)
        return {};
    const QRect rect = QRect(0, y0, std::max(bandW, 1), bandH).intersected(image.rect());
    if (rect.isEmpty())
        return {};
    const QImage band = image.copy(rect);
    if (band.isNull())
        return {};
    const std::optional<Mask> mask = invert ? darknessMask(band) : whitenessMask(band);
    if (!mask)
        return {};

    std::vector<Comp> kept;
    for (Comp& c : components(*mask, band.width(), band.height())) {
        if (c.h >= minHeightFraction * cardH && c.h <= maxHeightFraction * cardH &&
            c.w <= maxWidthFraction * cardW && c.area >= minArea)
            kept.push_back(std::move(c));
    }
    if (kept.size() < 3)
        return {};

    Line line = bottomLineDense(kept);
    std::stable_sort(line.line.begin(), line.line.end(),
                     [](const Comp& a, const Comp& b) { return a.minX < b.minX; });
    for (const Comp& c : line.line) {
        if (c.minX + c.w / 2.0 > positionGate * bandW)
            continue;
        if (looksLikeStar(c, band.width()))
            return {line.hasDense, true};
    }
    return {line.hasDense, false};
}

SeparatorGlyph FoilBandScan::starGlyph(const QImage& card)
{
    const int w = card.width();
    const int h = card.height();
    if (w <= 20 || h <= 20)
        return SeparatorGlyph::unknown;

    const BandScan first = scanBand(card, w, h, false);
    if (first.hasDenseLine)
        return first.foundStar ? SeparatorGlyph::star : SeparatorGlyph::unknown;
    if (first.foundStar)
        return SeparatorGlyph::star;

    // The further tries count only for a star on a dense line.
    if (scanBand(card, w, h, true) == BandScan{true, true})
        return SeparatorGlyph::star;
    const QImage turned = rotatedByQuarterTurns(image::toWorkingFormat(card), 2);
    if (turned.isNull())
        return SeparatorGlyph::unknown;
    for (bool invert : {false, true}) {
        if (scanBand(turned, w, h, invert) == BandScan{true, true})
            return SeparatorGlyph::star;
    }
    return SeparatorGlyph::unknown;
}

} // namespace vantry
