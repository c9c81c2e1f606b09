#include "core/support/UnsharpMask.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace vantry {

QImage unsharpMask(const QImage& input, double radius, double intensity)
{
    if (input.isNull())
        return {};
    const bool alpha = input.hasAlphaChannel();
    QImage image = input.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int type = alpha ? CV_8UC4 : CV_8UC3;
    const cv::Mat source(image.height(), image.width(), type, const_cast<uchar*>(image.constBits()),
                         static_cast<size_t>(image.bytesPerLine()));
    cv::Mat blurred;
    cv::GaussianBlur(source, blurred, cv::Size(0, 0), radius, radius, cv::BORDER_REFLECT);
    QImage result(image.size(), image.format());
    result.setDotsPerMeterX(input.dotsPerMeterX());
    result.setDotsPerMeterY(input.dotsPerMeterY());
    cv::Mat target(result.height(), result.width(), type, result.bits(), static_cast<size_t>(result.bytesPerLine()));
    cv::addWeighted(source, 1.0 + intensity, blurred, -intensity, 0.0, target);
    return result;
}

} // namespace vantry
