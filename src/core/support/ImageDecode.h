#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <opencv2/core/mat.hpp>

#include <optional>

namespace vantry::image {

// The one pixel layout the system computes on: 8-bit R, G, B, A with premultiplied alpha.
inline constexpr QImage::Format workingFormat = QImage::Format_RGBA8888_Premultiplied;

// First frame of an image file or buffer, without automatic EXIF rotation, in the
// working format. None when the data cannot be decoded.
std::optional<QImage> decodeFile(const QString& path);
std::optional<QImage> decodeData(const QByteArray& bytes);

// Any image in the working format (no copy when it already is).
QImage toWorkingFormat(const QImage& image);

// Transparent areas composited onto black, alpha made opaque.
QImage compositedOnBlack(const QImage& image);

// A cv::Mat header over the image's pixels (CV_8UC4, no copy). The image must stay alive and
// be in the working format; writing through the Mat detaches nothing, so pass a detached copy.
cv::Mat asMat(const QImage& image);
cv::Mat asMat(QImage& image);

// A deep copy of a 4-channel Mat as an image in the working format.
QImage fromMat(const cv::Mat& rgba);

// Resized to exactly width x height: area averaging when shrinking, cubic when enlarging.
// Hashes depend on these choices.
QImage resized(const QImage& image, int width, int height);

// Encoders; `quality` from 0 (smallest) to 1 (best). An empty result means failure.
// The dots-per-metre of the output is set from `dpi` (a raw QImage defaults to 96 dpi).
QByteArray encodeJpeg(const QImage& image, double quality, std::optional<double> dpi = std::nullopt);
QByteArray encodePng(const QImage& image, std::optional<double> dpi = std::nullopt);

} // namespace vantry::image
