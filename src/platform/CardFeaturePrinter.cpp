#include "platform/CardFeaturePrinter.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantry {

namespace {

// Working raster the trimming and blurring run on; fixed so that the result does not
// depend on the input's resolution.
constexpr int kWorkWidth = 96;
constexpr int kWorkHeight = 136;
// A row or column whose mean luma stays below this counts as border or scanner background.
constexpr float kDarkMargin = 40.0f;
// Never trim more than this share of a side as dark margin (dark artwork must survive).
constexpr double kMaxDarkTrim = 0.12;
// Always trimmed after the dark margins: absorbs skew corners and border remnants.
constexpr double kFixedTrim = 0.03;
// Colour channels never count for more than luma allows: a nearly grey card would
// otherwise blow JPEG chroma noise up to full weight.
constexpr float kChromaFloor = 0.5f;
// Smooths away the few-pixel shifts of a slight skew before sampling the grid.
constexpr double kBlurSigma = 4.0;

cv::Mat resized(const cv::Mat& source, cv::Size size)
{
    cv::Mat out;
    const bool shrinking = size.width <= source.cols && size.height <= source.rows;
    cv::resize(source, out, size, 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_CUBIC);
    return out;
}

// Rows or columns at each end whose mean luma (over the middle 80 % of the other axis)
// is dark; returns how many to drop from the start and from the end.
std::pair<int, int> darkMargins(const cv::Mat& luma, bool rows)
{
    const int length = rows ? luma.rows : luma.cols;
    const int across = rows ? luma.cols : luma.rows;
    const int from = across / 10;
    const int to = across - from;
    auto lineMean = [&](int i) {
        const cv::Mat line = rows ? luma(cv::Range(i, i + 1), cv::Range(from, to)) : luma(cv::Range(from, to), cv::Range(i, i + 1));
        return static_cast<float>(cv::mean(line)[0]);
    };
    const int limit = static_cast<int>(length * kMaxDarkTrim);
    int start = 0;
    while (start < limit && lineMean(start) < kDarkMargin)
        ++start;
    int end = 0;
    while (end < limit && lineMean(length - 1 - end) < kDarkMargin)
        ++end;
    return {start, end};
}

// Mean removed; returns the root-mean-square spread that remains.
float centre(cv::Mat& channel)
{
    channel -= cv::mean(channel)[0];
    return static_cast<float>(cv::norm(channel, cv::NORM_L2) / std::sqrt(static_cast<double>(channel.total())));
}

cv::Mat halvedWhileLarge(cv::Mat image)
{
    while (image.cols >= 4 * kWorkWidth && image.rows >= 4 * kWorkHeight) {
        cv::Mat half;
        cv::pyrDown(image, half);
        image = half;
    }
    return image;
}

} // namespace

QImage CardFeaturePrinter::reducedForPrinting(const QImage& image) const
{
    if (image.isNull() || image.width() < 4 * kWorkWidth || image.height() < 4 * kWorkHeight)
        return image;
    try {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        const cv::Mat wrapped(rgba.height(), rgba.width(), CV_8UC4, const_cast<uchar*>(rgba.constBits()),
                              static_cast<size_t>(rgba.bytesPerLine()));
        const cv::Mat reduced = halvedWhileLarge(wrapped);
        QImage out(reduced.cols, reduced.rows, QImage::Format_RGBA8888_Premultiplied);
        for (int y = 0; y < reduced.rows; ++y)
            std::memcpy(out.scanLine(y), reduced.ptr(y), static_cast<size_t>(reduced.cols) * 4);
        return out;
    } catch (...) {
        return image;
    }
}

std::optional<std::vector<float>> CardFeaturePrinter::featurePrint(const QImage& image) const
{
    // Feature prints never fail loudly: an image the algorithms cannot take gives nothing.
    try {
        return print(image);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::vector<float>> CardFeaturePrinter::print(const QImage& image)
{
    if (image.isNull() || image.width() < 16 || image.height() < 16)
        return std::nullopt;
    // Premultiplied RGBA: transparent areas count as black.
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const cv::Mat wrapped(rgba.height(), rgba.width(), CV_8UC4, const_cast<uchar*>(rgba.constBits()),
                          static_cast<size_t>(rgba.bytesPerLine()));

    // Halve large scans first (cheap, and the same at every resolution up to the final
    // area resampling), so a 600-dpi scan costs little more than a 300-dpi one.
    const cv::Mat reduced = halvedWhileLarge(wrapped);
    cv::Mat work;
    resized(reduced, {kWorkWidth, kWorkHeight}).convertTo(work, CV_32FC4);
    cv::Mat channels[4];
    cv::split(work, channels);
    const cv::Mat& r = channels[0];
    const cv::Mat& g = channels[1];
    const cv::Mat& b = channels[2];
    cv::Mat luma = 0.299f * r + 0.587f * g + 0.114f * b;

    const auto [top, bottom] = darkMargins(luma, true);
    const auto [left, right] = darkMargins(luma, false);
    const int fixedX = static_cast<int>(std::lround(kWorkWidth * kFixedTrim));
    const int fixedY = static_cast<int>(std::lround(kWorkHeight * kFixedTrim));
    const cv::Rect inner(left + fixedX, top + fixedY, kWorkWidth - left - right - 2 * fixedX,
                         kWorkHeight - top - bottom - 2 * fixedY);
    if (inner.width < kLumaColumns || inner.height < kLumaRows)
        return std::nullopt;

    cv::Mat lumaInner;
    cv::GaussianBlur(luma(inner), lumaInner, cv::Size(0, 0), kBlurSigma, kBlurSigma, cv::BORDER_REPLICATE);
    cv::Mat lumaGrid = resized(lumaInner, {kLumaColumns, kLumaRows});
    cv::Mat opponent1 = resized(cv::Mat(r(inner) - g(inner)), {kChromaColumns, kChromaRows});
    cv::Mat opponent2 = resized(cv::Mat(0.5f * (r(inner) + g(inner)) - b(inner)), {kChromaColumns, kChromaRows});

    const float lumaSpread = centre(lumaGrid);
    if (!(lumaSpread > 1e-3f))
        return std::nullopt;
    lumaGrid /= lumaSpread;
    for (cv::Mat* chroma : {&opponent1, &opponent2}) {
        const float spread = centre(*chroma);
        *chroma /= std::max(spread, kChromaFloor * lumaSpread);
    }

    std::vector<float> vector;
    vector.reserve(kDimension);
    for (const cv::Mat* block : {&lumaGrid, &opponent1, &opponent2}) {
        for (int y = 0; y < block->rows; ++y) {
            const float* row = block->ptr<float>(y);
            vector.insert(vector.end(), row, row + block->cols);
        }
    }
    double norm = 0;
    for (float v : vector)
        norm += static_cast<double>(v) * v;
    norm = std::sqrt(norm);
    if (!(norm > 0) || !std::isfinite(norm))
        return std::nullopt;
    for (float& v : vector)
        v = static_cast<float>(v / norm);
    return vector;
}

} // namespace vantry
