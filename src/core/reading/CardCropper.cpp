#include "core/reading/CardCropper.h"

#include "core/support/ImageDecode.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace vantry {

namespace CardCropper {

std::optional<QImage> load(const QString& path) { return image::decodeFile(path); }

std::optional<QRect> cropRect(const QImage& input, std::uint8_t lumaThreshold, double paddingFraction)
{
    const int w = input.width(), h = input.height();
    if (input.isNull() || w < 2 || h < 2)
        return std::nullopt;
    const int m = std::min(w, h);
    const int f = m < 240 ? 1 : m / 240;
    const int sw = std::max(w / f, 1), sh = std::max(h / f, 1);

    // Luma of a premultiplied image is the luma of the image drawn over black.
    cv::Mat grey;
    try {
        const QImage source = image::toWorkingFormat(input);
        cv::Mat full;
        cv::cvtColor(image::asMat(source), full, cv::COLOR_RGBA2GRAY);
        if (sw == w && sh == h)
            grey = full;
        else
            cv::resize(full, grey, cv::Size(sw, sh), 0, 0, cv::INTER_AREA);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }

    int minX = sw, maxX = -1, minY = sh, maxY = -1;
    for (int y = 0; y < sh; ++y) {
        const uchar* row = grey.ptr<uchar>(y);
        for (int x = 0; x < sw; ++x) {
            if (row[x] > lumaThreshold) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    if (maxX < 0)
        return std::nullopt;

    const double sx = double(w) / sw, sy = double(h) / sh;
    const double pad = m * paddingFraction;
    const double x0 = sx * minX - pad, y0 = sy * minY - pad;
    const double x1 = x0 + sx * (maxX - minX + 1) + 2 * pad;
    const double y1 = y0 + sy * (maxY - minY + 1) + 2 * pad;
    // Integral: the smallest whole-pixel rectangle holding the real one.
    const int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
    const int ix1 = std::min(w, int(std::ceil(x1))), iy1 = std::min(h, int(std::ceil(y1)));
    if (ix1 <= ix0 || iy1 <= iy0)
        return std::nullopt;
    const QRect rect(ix0, iy0, ix1 - ix0, iy1 - iy0);
    if (rect.width() <= 16 || rect.height() <= 16)
        return std::nullopt;
    const double share = double(rect.width()) * rect.height() / (double(w) * h);
    if (share <= 0.04 || share >= 0.97)
        return std::nullopt;
    return rect;
}

QImage cropCard(const QImage& image, std::uint8_t lumaThreshold, double paddingFraction)
{
    const auto rect = cropRect(image, lumaThreshold, paddingFraction);
    if (!rect)
        return image;
    const QImage out = image.copy(*rect);
    return out.isNull() ? image : out;
}

std::optional<QImage> croppedImage(const QString& path)
{
    auto image = load(path);
    if (!image)
        return std::nullopt;
    return cropCard(*image);
}

} // namespace CardCropper

bool looksLikeMultiFeed(int width, int height)
{
    if (width < 1 || height < 1)
        return true;
    const double r = double(width) / double(height);
    return r < 0.55 || r > 0.92;
}

} // namespace vantry
