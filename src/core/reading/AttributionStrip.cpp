#include "core/reading/AttributionStrip.h"

#include "core/support/ImageDecode.h"

#include <algorithm>
#include <cmath>

namespace vantry::AttributionStrip {

namespace {

std::optional<QRect> clipped(const QRect& rect, int width, int height)
{
    const QRect r = rect.intersected(QRect(0, 0, width, height));
    if (r.isEmpty())
        return std::nullopt;
    return r;
}

int roundHalfAway(double v) { return int(std::lround(v)); }

} // namespace

int scaleForHeight(int height)
{
    if (height < 1)
        return defaultScale;
    return std::clamp(int(std::lround(2800.0 / height)), 1, defaultScale);
}

std::optional<QRect> stripRect(int width, int height, Edge edge, double heightFraction)
{
    if (width < 2 || height < 2 || !(heightFraction > 0 && heightFraction < 1))
        return std::nullopt;
    const int s = roundHalfAway(height * heightFraction);
    if (s < 1)
        return std::nullopt;
    const int y = edge == Edge::top ? 0 : height - s;
    return clipped(QRect(0, y, width, s), width, height);
}

std::optional<QImage> upscaledStrip(const QImage& image, Edge edge, double heightFraction, int scale)
{
    const auto rect = stripRect(image.width(), image.height(), edge, heightFraction);
    if (!rect || scale < 1 || rect->width() < 1 || rect->height() < 1)
        return std::nullopt;
    return upscaledCrop(image, *rect, scale);
}

std::optional<QRect> bandRect(int width, int height, double topFraction, double heightFraction)
{
    if (width < 2 || height < 2 || !(topFraction >= 0 && topFraction < 1) || !(heightFraction > 0) ||
        topFraction + heightFraction > 1)
        return std::nullopt;
    return clipped(QRect(0, roundHalfAway(height * topFraction), width, roundHalfAway(height * heightFraction)), width,
                   height);
}

std::optional<QImage> upscaledBand(const QImage& image, double topFraction, double heightFraction, int scale)
{
    const auto rect = bandRect(image.width(), image.height(), topFraction, heightFraction);
    if (!rect || scale < 1 || rect->width() < 1 || rect->height() < 1)
        return std::nullopt;
    return upscaledCrop(image, *rect, scale);
}

std::optional<QImage> upscaledCrop(const QImage& image, const QRect& rect, int scale)
{
    const QRect r = rect.intersected(image.rect());
    if (image.isNull() || r.isEmpty())
        return std::nullopt;
    const QImage crop = image::toWorkingFormat(image.copy(r));
    if (crop.isNull())
        return std::nullopt;
    if (scale <= 1)
        return crop;
    const QImage out = image::resized(crop, crop.width() * scale, crop.height() * scale);
    return out.isNull() ? crop : out;
}

OCRLine remapLine(const OCRLine& line, Edge edge, double f)
{
    const double base = edge == Edge::bottom ? 0.0 : 1.0 - f;
    return {line.text, base + line.midY * f, line.height * f};
}

OCRLine remapBandLine(const OCRLine& line, double t, double b)
{
    return {line.text, (1.0 - t - b) + line.midY * b, line.height * b};
}

std::vector<OCRLine> mergedLines(const std::vector<OCRLine>& whole, const std::vector<OCRLine>& bottomStrip,
                                 const std::vector<OCRLine>& topStrip, const std::vector<OCRLine>& interiorBand,
                                 double heightFraction)
{
    std::vector<OCRLine> out;
    out.reserve(whole.size() + bottomStrip.size() + topStrip.size() + interiorBand.size());
    for (const OCRLine& l : bottomStrip)
        out.push_back(remapLine(l, Edge::bottom, heightFraction));
    for (const OCRLine& l : topStrip)
        out.push_back(remapLine(l, Edge::top, heightFraction));
    for (const OCRLine& l : interiorBand)
        out.push_back(remapBandLine(l));
    out.insert(out.end(), whole.begin(), whole.end());
    return out;
}

} // namespace vantry::AttributionStrip
