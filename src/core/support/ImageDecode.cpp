#include "core/support/ImageDecode.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace vantry::image {

namespace {

std::optional<QImage> readFirstFrame(QImageReader& reader)
{
    reader.setAutoTransform(false);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    return toWorkingFormat(image);
}

void applyDpi(QImage& image, std::optional<double> dpi)
{
    const double value = dpi && std::isfinite(*dpi) && *dpi > 0 ? *dpi : 72.0;
    const int dotsPerMetre = static_cast<int>(std::lround(value / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
}

QByteArray encode(QImage image, const char* format, int quality, std::optional<double> dpi)
{
    if (image.isNull())
        return {};
    applyDpi(image, dpi);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image))
        return {};
    return out;
}

} // namespace

std::optional<QImage> decodeFile(const QString& path)
{
    QImageReader reader(path);
    return readFirstFrame(reader);
}

std::optional<QImage> decodeData(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readFirstFrame(reader);
}

QImage toWorkingFormat(const QImage& image)
{
    if (image.format() == workingFormat)
        return image;
    return image.convertToFormat(workingFormat);
}

QImage compositedOnBlack(const QImage& image)
{
    QImage out(image.size(), workingFormat);
    out.fill(Qt::black);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    painter.end();
    return out;
}

cv::Mat asMat(const QImage& image)
{
    return cv::Mat(image.height(), image.width(), CV_8UC4, const_cast<uchar*>(image.constBits()),
                   static_cast<size_t>(image.bytesPerLine()));
}

cv::Mat asMat(QImage& image)
{
    return cv::Mat(image.height(), image.width(), CV_8UC4, image.bits(), static_cast<size_t>(image.bytesPerLine()));
}

QImage fromMat(const cv::Mat& rgba)
{
    CV_Assert(rgba.type() == CV_8UC4);
    QImage out(rgba.cols, rgba.rows, workingFormat);
    for (int y = 0; y < rgba.rows; ++y)
        std::copy_n(rgba.ptr<uchar>(y), rgba.cols * 4, out.scanLine(y));
    return out;
}

QImage resized(const QImage& image, int width, int height)
{
    if (image.isNull() || width < 1 || height < 1)
        return {};
    const QImage source = toWorkingFormat(image);
    if (source.width() == width && source.height() == height)
        return source.copy();
    const bool shrinking = width <= source.width() && height <= source.height();
    QImage out(width, height, workingFormat);
    cv::Mat dst = asMat(out);
    cv::resize(asMat(source), dst, cv::Size(width, height), 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_CUBIC);
    return out;
}

QByteArray encodeJpeg(const QImage& image, double quality, std::optional<double> dpi)
{
    // JPEG has no alpha: flatten onto black first so transparent areas stay defined.
    const QImage flat = compositedOnBlack(image).convertToFormat(QImage::Format_RGB888);
    const int q = static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
    return encode(flat, "jpeg", q, dpi);
}

QByteArray encodePng(const QImage& image, std::optional<double> dpi) { return encode(image, "png", -1, dpi); }

} // namespace vantry::image
