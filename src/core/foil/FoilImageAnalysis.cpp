#include "core/foil/FoilImageAnalysis.h"

#include "core/support/ImageDecode.h"
#include "core/foil/MoireDetector.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace vantry {

namespace {

struct Sample {
    double r, g, b, lum;
};

double saturation(const Sample& s)
{
    const double m = std::max({s.r, s.g, s.b});
    const double n = std::min({s.r, s.g, s.b});
    return m > 0 ? (m - n) / m : 0.0;
}

// The pixels of the sampling grid, row by row, channels of the premultiplied RGBA bitmap / 255.
std::optional<std::vector<Sample>> samples(const QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    if (w < 1 || h < 1)
        return std::nullopt;
    const QImage rgba = image::toWorkingFormat(image);
    if (rgba.isNull())
        return std::nullopt;
    const int step = FoilImageAnalysis::samplingStep(w, h);
    std::vector<Sample> out;
    out.reserve(std::size_t((w + step - 1) / step) * ((h + step - 1) / step));
    for (int y = 0; y < h; y += step) {
        const uchar* row = rgba.constScanLine(y);
        for (int x = 0; x < w; x += step) {
            const uchar* p = row + 4 * x;
            Sample s{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, 0};
            s.lum = 0.299 * s.r + 0.587 * s.g + 0.114 * s.b;
            out.push_back(s);
        }
    }
    return out;
}

} // namespace

QImage FoilImageAnalysis::cropToArtRegion(const QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    const QRect art = QRect(int(0.10 * w), int(0.15 * h), int(0.80 * w), int(0.36 * h)).intersected(image.rect());
    if (art.isEmpty())
        return image;
    const QImage crop = image.copy(art);
    return crop.isNull() ? image : crop;
}

int FoilImageAnalysis::samplingStep(int width, int height)
{
    return std::max(int(std::sqrt(double(width) * double(height) / 40000.0)), 1);
}

std::optional<ColorStats> FoilImageAnalysis::computeColorStats(const QImage& image)
{
    const auto grid = samples(image);
    if (!grid || grid->empty())
        return std::nullopt;
    double sat = 0, lum = 0, lum2 = 0;
    for (const Sample& s : *grid) {
        sat += saturation(s);
        lum += s.lum;
        lum2 += s.lum * s.lum;
    }
    const double n = double(grid->size());
    const double meanLum = lum / n;
    return ColorStats{sat / n, meanLum, std::sqrt(std::max(0.0, lum2 / n - meanLum * meanLum))};
}

std::optional<SpecularStats> FoilImageAnalysis::computeSpecularStats(const QImage& image)
{
    const auto grid = samples(image);
    if (!grid || grid->empty())
        return std::nullopt;
    const std::size_t n = grid->size();
    std::vector<double> lums;
    lums.reserve(n);
    for (const Sample& s : *grid)
        lums.push_back(s.lum);
    std::sort(lums.begin(), lums.end());
    const double p90 = lums[std::min(n - 1, std::size_t(double(n) * 0.9))];

    double lum = 0, sat = 0, r = 0, g = 0, b = 0;
    std::size_t bright = 0, specular = 0;
    for (const Sample& s : *grid) {
        if (s.lum >= 0.95)
            ++specular;
        if (s.lum < p90)
            continue;
        ++bright;
        lum += s.lum;
        sat += saturation(s);
        r += s.r;
        g += s.g;
        b += s.b;
    }
    if (bright == 0)
        return std::nullopt;
    const double k = double(bright);
    const double rgb = r / k + g / k + b / k;
    return SpecularStats{lum / k, sat / k, rgb > 0 ? (b / k) / rgb : 0.33, double(specular) / double(n)};
}

std::optional<std::vector<float>> FoilImageAnalysis::renderGrayscale(const QImage& image, int size)
{
    if (size < 1 || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    // Scaled in colour with the system's pinned interpolation, then made grey; premultiplied
    // channels put transparent areas on black, as drawing into a grey bitmap would.
    const QImage scaledRgba = image::resized(image, size, size);
    if (scaledRgba.isNull())
        return std::nullopt;
    cv::Mat scaled;
    cv::cvtColor(image::asMat(scaledRgba), scaled, cv::COLOR_RGBA2GRAY);
    std::vector<float> out;
    out.reserve(std::size_t(size) * size);
    for (int y = 0; y < size; ++y) {
        const uchar* row = scaled.ptr<uchar>(y);
        for (int x = 0; x < size; ++x)
            out.push_back(float(row[x]) / 255.0f);
    }
    return out;
}

std::optional<FoilImageAnalysis::RadialSpectrum> FoilImageAnalysis::radialPowerSpectrum(const QImage& image)
{
    constexpr int n = spectrumSize;
    constexpr int half = n / 2;
    auto grey = renderGrayscale(image, n);
    if (!grey)
        return std::nullopt;
    const cv::Mat real(n, n, CV_32F, grey->data());
    cv::Mat spectrum;
    cv::dft(real, spectrum, cv::DFT_COMPLEX_OUTPUT);

    std::vector<double> sum(half, 0.0);
    std::vector<int> count(half, 0);
    for (int y = 0; y < n; ++y) {
        const cv::Vec2f* row = spectrum.ptr<cv::Vec2f>(y);
        const int fy = y > half ? n - y : y;
        for (int x = 0; x < n; ++x) {
            const int fx = x > half ? n - x : x;
            const int r = int(std::sqrt(double(fx * fx + fy * fy)));
            if (r >= half)
                continue;
            const double re = row[x][0];
            const double im = row[x][1];
            sum[r] += re * re + im * im;
            ++count[r];
        }
    }
    RadialSpectrum result;
    result.bins.resize(half);
    for (int r = 0; r < half; ++r)
        result.bins[r] = count[r] > 0 ? sum[r] / count[r] : 0.0;
    result.nyquistBin = half;
    return result;
}

double FoilImageAnalysis::moireScore(const QImage& image)
{
    const auto spectrum = radialPowerSpectrum(image);
    return spectrum ? MoireDetector::foilProminenceScore(spectrum->bins, spectrum->nyquistBin) : 0.0;
}

} // namespace vantry
