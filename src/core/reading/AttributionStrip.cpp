#include "core/reading/AttributionStrip.h"

#include "core/support/ImageDecode.h"

#include <opencv2/imgproc.hpp>

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

double titleScaleForHeight(int height)
{
    if (height < 1)
        return 1;
    return std::clamp(1000.0 / height, 0.4, 2.0);
}

double titleLineScaleForHeight(int height)
{
    if (height < 1)
        return 1;
    return std::clamp(1400.0 / height, 0.5, 2.0);
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

std::optional<QImage> normalisedGreyCrop(const QImage& image, const QRect& rect, double scale, GreyFrom from)
{
    const QRect r = rect.intersected(image.rect());
    if (image.isNull() || r.isEmpty() || !(scale > 0))
        return std::nullopt;
    const int w = std::max(1, int(std::lround(r.width() * scale)));
    const int h = std::max(1, int(std::lround(r.height() * scale)));
    QImage out(w, h, QImage::Format_Grayscale8);
    if (out.isNull())
        return std::nullopt;
    try {
        const QImage source = image::toWorkingFormat(image);
        const cv::Mat rgba = image::asMat(source)(cv::Rect(r.x(), r.y(), r.width(), r.height()));
        cv::Mat grey;
        if (from == GreyFrom::brightestChannel) {
            cv::Mat channels[4];
            cv::split(rgba, channels);
            cv::max(channels[0], channels[1], grey);
            cv::max(grey, channels[2], grey);
        } else if (from == GreyFrom::darkestChannel) {
            cv::Mat channels[4];
            cv::split(rgba, channels);
            cv::min(channels[0], channels[1], grey);
            cv::min(grey, channels[2], grey);
        } else {
            cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
        }
        // Stretch between the 1st and 99th percentile.
        int histogram[256] = {};
        for (int y = 0; y < grey.rows; ++y) {
            const uchar* row = grey.ptr<uchar>(y);
            for (int x = 0; x < grey.cols; ++x)
                ++histogram[row[x]];
        }
        const long clip = long(grey.total()) / 100;
        int lo = 0, hi = 255;
        for (long seen = 0; lo < 255 && (seen += histogram[lo]) <= clip;)
            ++lo;
        for (long seen = 0; hi > 0 && (seen += histogram[hi]) <= clip;)
            --hi;
        if (hi > lo) {
            cv::Mat lut(1, 256, CV_8U);
            for (int v = 0; v < 256; ++v)
                lut.at<uchar>(v) = cv::saturate_cast<uchar>((v - lo) * 255.0 / (hi - lo));
            cv::LUT(grey, lut, grey);
        }
        const cv::Mat target(h, w, CV_8UC1, out.bits(), size_t(out.bytesPerLine()));
        if (w == grey.cols && h == grey.rows)
            grey.copyTo(target);
        else
            cv::resize(grey, target, target.size(), 0, 0, scale > 1 ? cv::INTER_CUBIC : cv::INTER_AREA);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    return out;
}

std::optional<QImage> collectorStrip(const QImage& image)
{
    auto rect = stripRect(image.width(), image.height(), Edge::bottom, collectorStripFraction);
    if (!rect)
        return std::nullopt;
    rect->setWidth(std::max(1, roundHalfAway(image.width() * collectorStripWidthFraction)));
    return normalisedGreyCrop(image, *rect, scaleForHeight(image.height()));
}

std::optional<QImage> wideCollectorStrip(const QImage& image)
{
    const auto rect = stripRect(image.width(), image.height(), Edge::bottom, wideCollectorStripFraction);
    if (!rect)
        return std::nullopt;
    return normalisedGreyCrop(image, *rect, scaleForHeight(image.height()));
}

double cornerScaleForHeight(int height)
{
    if (height < 1)
        return 1;
    return std::clamp(2000.0 / height, 0.5, 4.0);
}

std::optional<QImage> collectorCorner(const QImage& image)
{
    const auto strip = stripRect(image.width(), image.height(), Edge::bottom, collectorCornerHeightFraction);
    if (!strip)
        return std::nullopt;
    QRect rect = *strip;
    rect.setWidth(std::max(1, roundHalfAway(image.width() * collectorCornerWidthFraction)));
    return normalisedGreyCrop(image, rect, cornerScaleForHeight(image.height()));
}

std::optional<QImage> titleBar(const QImage& image)
{
    const auto rect = bandRect(image.width(), image.height(), titleBarTopFraction, titleBarHeightFraction);
    if (!rect)
        return std::nullopt;
    return normalisedGreyCrop(image, *rect, titleScaleForHeight(image.height()), GreyFrom::brightestChannel);
}

std::optional<QRect> titleLineRect(int width, int height)
{
    const auto band = bandRect(width, height, titleLineTopFraction, titleLineHeightFraction);
    if (!band)
        return std::nullopt;
    QRect r = *band;
    r.setWidth(std::max(1, roundHalfAway(width * titleLineWidthFraction)));
    return r;
}

std::optional<QImage> titleLine(const QImage& image)
{
    const auto rect = titleLineRect(image.width(), image.height());
    if (!rect)
        return std::nullopt;
    return normalisedGreyCrop(image, *rect, titleLineScaleForHeight(image.height()), GreyFrom::brightestChannel);
}

std::optional<QImage> titleArea(const QImage& image)
{
    const auto rect = stripRect(image.width(), image.height(), Edge::top, titleAreaHeightFraction);
    if (!rect)
        return std::nullopt;
    const QImage crop = image.copy(*rect);
    if (image.height() <= wholeCardTextHeight)
        return crop;
    const double f = double(wholeCardTextHeight) / image.height();
    return image::resized(crop, std::max(1, roundHalfAway(crop.width() * f)),
                          std::max(1, roundHalfAway(crop.height() * f)));
}

namespace {

// The title search works on the card scaled to this height, where title print stands about
// 22 px tall (capitals of the older frames a little more).
constexpr double kSearchCardHeight = 1000;
constexpr int kSearchTextHeight = 22;
// The cut is this many text heights tall, centred on the line.
constexpr double kLineCutHeights = 2.3;
// Columns whose share of strong strokes (the strongest tenth of the cut's) stays under this
// share of the densest column's are ground.
constexpr double kStrongStrokes = 0.9;
constexpr float kColumnInk = 0.35f;
// Capitals of the cut as read: the engine reads one line of serif print best at this size.
constexpr double kReadCapHeight = 34;
// A line whose strokes are no denser than this (mean horizontal gradient of its rows, grey
// levels per pixel) is an even ground, not print.
constexpr double kLeastStrokes = 4;

// The columns of the line's print in `strokes` (its rows' horizontal gradient): where the
// strongest tenth of the gradient crowds. Texture beside a title has strokes too, but softer.
std::pair<int, int> printColumns(const cv::Mat& strokes)
{
    cv::Mat sorted = strokes.reshape(1, 1).clone();
    cv::sort(sorted, sorted, cv::SORT_ASCENDING);
    const float strong = sorted.at<float>(int(sorted.cols * kStrongStrokes));
    cv::Mat marked, columns;
    cv::threshold(strokes, marked, strong, 1, cv::THRESH_BINARY);
    cv::reduce(marked, columns, 0, cv::REDUCE_AVG, CV_32F);
    cv::blur(columns, columns, cv::Size(2 * kSearchTextHeight, 1));
    double densest = 0;
    cv::minMaxLoc(columns, nullptr, &densest);
    const float ink = float(densest) * kColumnInk;
    int left = 0, right = columns.cols - 1;
    while (left < right && columns.at<float>(left) < ink)
        ++left;
    while (right > left && columns.at<float>(right) < ink)
        --right;
    // A frame edge left of the title stays in: it reads as a lone letter, which the title's
    // reading drops, and a cut that left it out would take the tall initials of older frames.
    left = std::max(0, left - kSearchTextHeight / 2);
    right = std::min(columns.cols, right + kSearchTextHeight / 2 + 1);
    return {left, right};
}

// The middle of the run of `window` rows (a text height) whose strokes stand out most from the
// runs just above and below it: a line of print has quieter rows on both sides, while artwork
// below the title is as busy above and below any of its runs. A run without rows above or
// below it in the search is not judged: artwork reaching the search's edge would stand out
// from nothing. `density` receives the run's mean.
int standingLineCentre(const cv::Mat& rows, int window, double* density)
{
    const int reach = window;
    cv::Mat smooth;
    cv::blur(rows, smooth, cv::Size(1, window));
    int best = 0;
    double bestScore = -1e9;
    for (int y = reach; y + reach < smooth.rows; ++y) {
        const float here = smooth.at<float>(y);
        const float above = smooth.at<float>(y - reach);
        const float below = smooth.at<float>(y + reach);
        const double score = here - std::max(above, below);
        if (score > bestScore)
            bestScore = score, best = y;
    }
    *density = smooth.at<float>(best);
    return best;
}

} // namespace

std::optional<LocatedLine> locatedTitleLine(const QImage& image, LineGround ground)
{
    if (image.isNull() || image.width() < 16 || image.height() < 16)
        return std::nullopt;
    const QRect search(roundHalfAway(image.width() * titleSearchLeftFraction),
                       roundHalfAway(image.height() * titleSearchTopFraction),
                       roundHalfAway(image.width() * titleSearchWidthFraction),
                       roundHalfAway(image.height() * titleSearchHeightFraction));
    const double scale = kSearchCardHeight / image.height();
    auto grey = normalisedGreyCrop(image, search, scale);
    if (!grey || grey->height() <= 2 * kSearchTextHeight || grey->width() < 2 * kSearchTextHeight)
        return std::nullopt;
    try {
        const cv::Mat g(grey->height(), grey->width(), CV_8UC1, grey->bits(), size_t(grey->bytesPerLine()));
        // Print is where vertical strokes crowd: the frame's rules and edges are horizontal
        // or stand alone, texture is sparser.
        cv::Mat strokes;
        cv::Sobel(g, strokes, CV_32F, 1, 0, 3);
        strokes = cv::abs(strokes);
        cv::Mat rows;
        cv::reduce(strokes, rows, 1, cv::REDUCE_AVG, CV_32F);
        double density = 0;
        const int centre = standingLineCentre(rows, kSearchTextHeight, &density);
        if (density < kLeastStrokes)
            return std::nullopt;
        const int half = int(std::lround(kLineCutHeights * kSearchTextHeight / 2));
        const int top = std::max(0, centre - half), bottom = std::min(g.rows, centre + half + 1);
        const auto [left, right] = printColumns(strokes.rowRange(top, bottom));
        if (right - left < kSearchTextHeight)
            return std::nullopt;
        // Light print on a coloured ground is as dark as the ground in luma; in the darkest
        // channel only white and grey stay light.
        std::optional<QImage> white;
        if (ground == LineGround::whiteness)
            white = normalisedGreyCrop(image, search, scale, GreyFrom::darkestChannel);
        if (white && white->size() != grey->size())
            return std::nullopt;
        const cv::Mat source =
            white ? cv::Mat(white->height(), white->width(), CV_8UC1, white->bits(), size_t(white->bytesPerLine())) : g;
        cv::Mat cut = source(cv::Range(top, bottom), cv::Range(left, right)).clone();
        if (white)
            cv::bitwise_not(cut, cut);
        cv::medianBlur(cut, cut, 3);
        cv::GaussianBlur(cut, cut, cv::Size(3, 3), 0);
        cv::normalize(cut, cut, 0, 255, cv::NORM_MINMAX);
        const double enlarge = kReadCapHeight / kSearchTextHeight;
        cv::resize(cut, cut, cv::Size(), enlarge, enlarge, cv::INTER_CUBIC);
        if (ground == LineGround::binarised)
            cv::threshold(cut, cut, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        // The engine finds a line's first and last letters better with some ground around them.
        const int margin = int(kReadCapHeight / 4);
        cv::copyMakeBorder(cut, cut, margin, margin, margin, margin, cv::BORDER_REPLICATE);
        QImage out(cut.cols, cut.rows, QImage::Format_Grayscale8);
        if (out.isNull())
            return std::nullopt;
        for (int y = 0; y < cut.rows; ++y)
            std::copy_n(cut.ptr<uchar>(y), cut.cols, out.scanLine(y));
        const double midRow = search.top() + (top + bottom) / 2.0 / scale;
        return LocatedLine{out, 1.0 - midRow / image.height(), (bottom - top) / scale / image.height()};
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

std::vector<OCRLine> remappedTitleAreaLines(const std::vector<OCRLine>& lines)
{
    std::vector<OCRLine> out;
    out.reserve(lines.size());
    for (const OCRLine& l : lines)
        out.push_back(remapLine(l, Edge::top, titleAreaHeightFraction));
    return out;
}

std::vector<OCRLine> remappedTitleBarLines(const std::vector<OCRLine>& lines)
{
    std::vector<OCRLine> out;
    out.reserve(lines.size());
    for (const OCRLine& l : lines)
        out.push_back(remapBandLine(l, titleBarTopFraction, titleBarHeightFraction));
    return out;
}

std::vector<OCRLine> remappedTitleLineLines(const std::vector<OCRLine>& lines)
{
    std::vector<OCRLine> out;
    out.reserve(lines.size());
    for (const OCRLine& l : lines)
        out.push_back(remapBandLine(l, titleLineTopFraction, titleLineHeightFraction));
    return out;
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

std::vector<OCRLine> mergedFirstLines(const std::vector<OCRLine>& collectorStripLines,
                                      const std::vector<OCRLine>& titleBarLines)
{
    std::vector<OCRLine> out;
    out.reserve(collectorStripLines.size() + titleBarLines.size());
    for (const OCRLine& l : collectorStripLines)
        out.push_back(remapLine(l, Edge::bottom, collectorStripFraction));
    const auto title = remappedTitleBarLines(titleBarLines);
    out.insert(out.end(), title.begin(), title.end());
    return out;
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
