#include "core/foil/SeparatorLocator.h"

#include "core/foil/FoilBandScan.h"
#include "core/foil/FoilSeparator.h"
#include "core/support/ImageDecode.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantry {

namespace {

const QRegularExpression& tokenPattern()
{
    // Unicode properties: \b and \s as the text-recognition framework's ICU engine reads them.
    static const QRegularExpression pattern(
        QStringLiteral("((?=[A-Za-z0-9]{3,5}\\b)[A-Za-z0-9]*[A-Za-z][A-Za-z0-9]*)\\b\\s*"
                       "[\u2022\u00B7*\u2605\u2020]?\\s*\\b([A-Za-z]{2})\\b"),
        QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

constexpr int roundHalfAway(double v) { return int(v < 0 ? v - 0.5 : v + 0.5); }

// The smallest whole-pixel rectangle holding the fractional one.
QRect outwards(double x, double y, double width, double height)
{
    const int left = int(std::floor(x));
    const int top = int(std::floor(y));
    const int right = int(std::ceil(x + width));
    const int bottom = int(std::ceil(y + height));
    return QRect(left, top, right - left, bottom - top);
}

// Tesseract reads the separator glyph of a real strip as one of these rather than as a
// bullet or a star. Each becomes a bullet, one character for one, so offsets still hold.
QString withSeparatorReadings(QString text)
{
    static const QString readings = QStringLiteral("+\u00AB\u00BB\u00A2\u00B0");
    for (QChar& c : text) {
        if (readings.contains(c))
            c = QChar(0x2022);
    }
    return text;
}

} // namespace

QImage SeparatorLocator::isolatedGlyph(const QImage& gap)
{
    const QImage rgba = image::toWorkingFormat(gap);
    const int w = rgba.width();
    const int h = rgba.height();
    if (w < 1 || h < 1)
        return rgba;
    // The classifier's grey: the smallest channel.
    std::vector<std::uint8_t> grey(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* row = rgba.constScanLine(y);
        for (int x = 0; x < w; ++x)
            grey[std::size_t(y) * w + x] = std::min({row[4 * x], row[4 * x + 1], row[4 * x + 2]});
    }
    const int t = FoilSeparator::otsuThreshold(grey);
    auto at = [&](int x, int y) { return grey[std::size_t(y) * w + x]; };

    // Dark print on a light border: turn it over, so that the glyph is the bright part.
    int light = 0, edge = 0;
    for (int x = 0; x < w; ++x, edge += 2)
        light += (at(x, 0) > t) + (at(x, h - 1) > t);
    for (int y = 0; y < h; ++y, edge += 2)
        light += (at(0, y) > t) + (at(w - 1, y) > t);
    const bool invert = 2 * light > edge;
    std::vector<bool> bright(grey.size());
    for (std::size_t i = 0; i < grey.size(); ++i) {
        if (invert)
            grey[i] = std::uint8_t(255 - grey[i]);
        bright[i] = invert ? 255 - grey[i] <= t : grey[i] > t;
    }

    // Bright parts touching the left or right side are the tokens' letters reached by the
    // padding, never the glyph between them: they become ground.
    std::vector<int> stack;
    auto seed = [&](int x, int y) {
        const int i = y * w + x;
        if (bright[i]) {
            bright[i] = false;
            stack.push_back(i);
        }
    };
    for (int y = 0; y < h; ++y) {
        seed(0, y);
        seed(w - 1, y);
    }
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        grey[i] = 0;
        const int x = i % w, y = i / w;
        if (x > 0)
            seed(x - 1, y);
        if (x < w - 1)
            seed(x + 1, y);
        if (y > 0)
            seed(x, y - 1);
        if (y < h - 1)
            seed(x, y + 1);
    }

    QImage out(w, h, image::workingFormat);
    for (int y = 0; y < h; ++y) {
        uchar* row = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const uchar v = at(x, y);
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = v;
            row[4 * x + 3] = 255;
        }
    }
    return out;
}

std::optional<SeparatorLocator::TokenRanges> SeparatorLocator::setLangTokenRanges(const QString& text)
{
    if (!tokenPattern().isValid())
        return std::nullopt;
    const QRegularExpressionMatch match = tokenPattern().match(text);
    if (!match.hasMatch() || match.lastCapturedIndex() < 2 || match.capturedStart(1) < 0 || match.capturedStart(2) < 0)
        return std::nullopt;
    return TokenRanges{match.capturedStart(1), match.capturedLength(1), match.capturedStart(2),
                       match.capturedLength(2)};
}

SeparatorGlyph SeparatorLocator::glyphFromObservations(const std::vector<TextObservation>& observations,
                                                       const QImage& strip)
{
    const double w = strip.width();
    const double h = strip.height();
    for (const TextObservation& observation : observations) {
        const auto ranges = setLangTokenRanges(withSeparatorReadings(observation.text));
        if (!ranges)
            continue;
        const auto setBox = observation.boundingBox(ranges->setStart, ranges->setLength);
        const auto languageBox = observation.boundingBox(ranges->languageStart, ranges->languageLength);
        if (!setBox || !languageBox)
            continue;
        const double left = setBox->right();
        const double right = languageBox->x;
        if (!(right > left))
            continue;
        const double pad = gapPadFraction * (right - left);
        const double x0 = std::max(left - pad, 0.0);
        const double x1 = std::min(right + pad, 1.0);
        const double y0 = std::min(setBox->y, languageBox->y);
        const double y1 = std::max(setBox->top(), languageBox->top());
        const QRect rect = outwards(x0 * w, (1 - y1) * h, std::max((x1 - x0) * w, 1.0), std::max((y1 - y0) * h, 1.0))
                               .intersected(strip.rect());
        if (rect.isEmpty())
            continue;
        const QImage gap = strip.copy(rect);
        if (gap.isNull())
            continue;
        const SeparatorGlyph glyph = FoilSeparator::classify(isolatedGlyph(gap), starMaxSolidity, dotMinSolidity);
        if (glyph != SeparatorGlyph::unknown)
            return glyph;
    }
    return SeparatorGlyph::unknown;
}

SeparatorGlyph SeparatorLocator::glyphInStrip(const TextRecognizing& engine, const QImage& card,
                                              AttributionStrip::Edge edge)
{
    const int w = card.width();
    const int h = card.height();
    if (w < 2 || h < 2)
        return SeparatorGlyph::unknown;
    const int s = roundHalfAway(h * AttributionStrip::defaultHeightFraction);
    if (s < 1)
        return SeparatorGlyph::unknown;
    const QRect rect = QRect(0, edge == AttributionStrip::Edge::bottom ? h - s : 0, w, s).intersected(card.rect());
    if (rect.width() < 1 || rect.height() < 1)
        return SeparatorGlyph::unknown;
    const auto strip = AttributionStrip::upscaledCrop(card, rect, int(stripScale));
    if (!strip)
        return SeparatorGlyph::unknown;
    std::vector<TextObservation> observations;
    try {
        observations = engine.recognizeObservations(*strip);
    } catch (...) {
        // A failed read is no answer for this strip.
        return SeparatorGlyph::unknown;
    }
    return glyphFromObservations(observations, *strip);
}

QCoro::Task<SeparatorGlyph> SeparatorLocator::glyph(TextEngine engine, QImage card, CPULane lane)
{
    // Named work and results: GCC mishandles temporaries inside co_await expressions.
    auto bandWork = [card] { return FoilBandScan::starGlyph(card); };
    const SeparatorGlyph band = co_await CPUWork::run(std::move(bandWork), lane);
    if (band != SeparatorGlyph::unknown)
        co_return band;
    if (!engine)
        co_return SeparatorGlyph::unknown;
    for (const AttributionStrip::Edge edge : {AttributionStrip::Edge::bottom, AttributionStrip::Edge::top}) {
        auto stripWork = [engine, card, edge] { return glyphInStrip(*engine, card, edge); };
        const SeparatorGlyph found = co_await CPUWork::run(std::move(stripWork), lane);
        if (found != SeparatorGlyph::unknown)
            co_return found;
    }
    co_return SeparatorGlyph::unknown;
}

} // namespace vantry
