#include "core/support/ImageCopy.h"

#include "core/support/ImageDecode.h"

#include <opencv2/core.hpp>

#include <algorithm>

namespace vantry {

std::optional<QImage> ImageCopy::independentDownscaled(const QImage& image, int maxDimension)
{
    if (maxDimension <= 0 || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    const double scale = std::min(double(maxDimension) / std::max(image.width(), image.height()), 1.0);
    const int width = std::max(1, static_cast<int>(scale * image.width()));
    const int height = std::max(1, static_cast<int>(scale * image.height()));
    QImage out = image::resized(image, width, height);
    if (out.isNull())
        return std::nullopt;
    return out;
}

std::optional<QByteArray> ImageCopy::jpegData(const QImage& image, int maxDimension, double compressionQuality)
{
    const auto reduced = independentDownscaled(image, maxDimension);
    if (!reduced)
        return std::nullopt;
    QByteArray bytes = image::encodeJpeg(*reduced, compressionQuality);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QImage rotatedByQuarterTurns(const QImage& image, int turns)
{
    const int k = turns & 3;
    if (k == 0 || image.isNull())
        return image;
    const QImage source = image::toWorkingFormat(image);
    cv::Mat turned;
    static const cv::RotateFlags flags[] = {cv::ROTATE_90_CLOCKWISE, cv::ROTATE_180, cv::ROTATE_90_COUNTERCLOCKWISE};
    cv::rotate(image::asMat(source), turned, flags[k - 1]);
    return image::fromMat(turned);
}

} // namespace vantry
