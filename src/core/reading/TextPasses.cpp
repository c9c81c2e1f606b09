#include "core/reading/TextPasses.h"

#include "core/reading/AttributionStrip.h"
#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <optional>

namespace vantry::TextPasses {

namespace {

using Lines = std::vector<OCRLine>;

// Pool tasks are made outside any co_await expression: GCC destroys non-trivial
// temporaries of a co_await full-expression twice.
QCoro::Task<Lines> onPool(std::function<Lines()> work, CPULane lane)
{
    auto task = CPUWork::run(std::move(work), lane);
    auto lines = co_await std::move(task);
    co_return lines;
}

// A crop of the card's bottom edge read on the pool, its lines remapped into the whole card.
QCoro::Task<Lines> readBottomCrop(TextEngine engine, QImage image, std::optional<QImage> (*crop)(const QImage&),
                                  double heightFraction, CPULane lane)
{
    std::function<Lines()> work = [engine, image, crop, heightFraction] {
        Lines out;
        if (const auto part = crop(image))
            for (const OCRLine& l : ocrLines(*engine, *part))
                out.push_back(AttributionStrip::remapLine(l, AttributionStrip::Edge::bottom, heightFraction));
        return out;
    };
    return onPool(std::move(work), lane);
}

// How each title crop is cut, read and mapped back into the whole card, in the order of
// TitleCrop.
struct TitleCropPass {
    std::optional<QImage> (*crop)(const QImage&);
    Lines (*remap)(const Lines&);
    TextPrint print;
};
constexpr TitleCropPass titleCropPasses[] = {
    {&AttributionStrip::titleBar, &AttributionStrip::remappedTitleBarLines, TextPrint::oneKind},
    {&AttributionStrip::titleLine, &AttributionStrip::remappedTitleLineLines, TextPrint::oneKind},
    {&AttributionStrip::titleArea, &AttributionStrip::remappedTitleAreaLines, TextPrint::mixed},
};
static_assert(std::size(titleCropPasses) == std::size_t(TitleCrop::area) + 1);

} // namespace

std::vector<OCRLine> ocrLines(const TextRecognizing& engine, const QImage& image, TextPrint print)
{
    try {
        return engine.recognizeLines(image, print);
    } catch (...) {
        // A failed pass contributes no lines.
        return {};
    }
}

QCoro::Task<std::vector<OCRLine>> recognizeText(TextEngine engine, QImage image, CPULane lane)
{
    std::function<Lines()> work = [engine, image] {
        if (image.height() <= AttributionStrip::wholeCardTextHeight)
            return ocrLines(*engine, image);
        const int height = AttributionStrip::wholeCardTextHeight;
        const int width = std::max(1, int(std::lround(double(image.width()) * height / image.height())));
        return ocrLines(*engine, image::resized(image, width, height));
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeTurned(TextEngine engine, QImage image, int quarterTurns, CPULane lane)
{
    std::function<Lines()> work = [engine, image, quarterTurns] {
        return ocrLines(*engine, quarterTurns == 0 ? image : rotatedByQuarterTurns(image, quarterTurns));
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeInteriorBand(TextEngine engine, QImage image, CPULane lane)
{
    std::function<Lines()> work = [engine, image] {
        const auto band = AttributionStrip::upscaledBand(image, AttributionStrip::interiorTopFraction,
                                                         AttributionStrip::interiorHeightFraction,
                                                         AttributionStrip::scaleForHeight(image.height()));
        return band ? ocrLines(*engine, *band) : Lines{};
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeFirstLines(TextEngine engine, QImage image, CPULane lane)
{
    std::function<Lines()> readStrip = [engine, image] {
        const auto strip = AttributionStrip::collectorStrip(image);
        return strip ? ocrLines(*engine, *strip) : Lines{};
    };
    std::function<Lines()> readTitle = [engine, image] {
        const auto title = AttributionStrip::titleBar(image);
        return title ? ocrLines(*engine, *title, TextPrint::oneKind) : Lines{};
    };
    // Tasks start eagerly: both are queued on the pool before the first await.
    auto strip = onPool(std::move(readStrip), lane);
    auto title = onPool(std::move(readTitle), lane);
    auto stripLines = co_await std::move(strip);
    auto titleLines = co_await std::move(title);
    co_return AttributionStrip::mergedFirstLines(stripLines, titleLines);
}

QCoro::Task<std::vector<OCRLine>> recognizeCollectorCorner(TextEngine engine, QImage image, CPULane lane)
{
    return readBottomCrop(std::move(engine), std::move(image), &AttributionStrip::collectorCorner,
                          AttributionStrip::collectorCornerHeightFraction, lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeWideStrip(TextEngine engine, QImage image, CPULane lane)
{
    return readBottomCrop(std::move(engine), std::move(image), &AttributionStrip::wideCollectorStrip,
                          AttributionStrip::wideCollectorStripFraction, lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeTitle(TextEngine engine, QImage image, TitleCrop crop, CPULane lane)
{
    const TitleCropPass pass = titleCropPasses[std::size_t(crop)];
    std::function<Lines()> work = [engine, image, pass] {
        const auto part = pass.crop(image);
        return part ? pass.remap(ocrLines(*engine, *part, pass.print)) : Lines{};
    };
    return onPool(std::move(work), lane);
}

QString titleOfLine(const QString& line)
{
    const QStringList pieces = line.split(u' ', Qt::SkipEmptyParts);
    const auto lettered = [](const QString& piece) {
        return std::any_of(piece.begin(), piece.end(), [](QChar c) { return c.isLetter(); });
    };
    qsizetype first = 0;
    // A lone character or a piece without letters before more print is the frame's edge or
    // an ornament beside the title ("( Inquisitive Glimmer").
    while (first + 1 < pieces.size() && (pieces[first].size() == 1 || !lettered(pieces[first])))
        ++first;
    qsizetype end = first;
    while (end < pieces.size() && lettered(pieces[end]))
        ++end;
    // Serif print on a grainy frame reads with stray accents ("Béstilence"): titles of the
    // language the engine reads carry none that matter to a name search.
    QString title = pieces.mid(first, end - first).join(u' ').normalized(QString::NormalizationForm_D);
    title.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    // Quotes and brackets stuck to the title's ends are grain or the frame's ornaments: no name
    // begins or ends with one.
    static const QString marks = QStringLiteral("\"'()[]{}|\u2018\u2019\u201C\u201D\u00AB\u00BB");
    while (!title.isEmpty() && marks.contains(title.front()))
        title.remove(0, 1);
    while (!title.isEmpty() && marks.contains(title.back()))
        title.chop(1);
    return title;
}

QCoro::Task<std::vector<OCRLine>> recognizeLocatedTitle(TextEngine engine, QImage image,
                                                        AttributionStrip::LineGround ground, CPULane lane)
{
    std::function<Lines()> work = [engine, image, ground] {
        const auto located = AttributionStrip::locatedTitleLine(image, ground);
        if (!located)
            return Lines{};
        Lines out;
        for (const OCRLine& l : ocrLines(*engine, located->image, TextPrint::singleLine)) {
            const QString title = titleOfLine(l.text);
            if (!title.isEmpty())
                out.push_back({title, located->midY, located->height * l.height});
        }
        return out;
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> recognizeRemainingLines(TextEngine engine, QImage image, CPULane lane)
{
    auto whole = recognizeText(engine, image, lane);
    auto band = recognizeInteriorBand(engine, image, lane);
    auto wholeLines = co_await std::move(whole);
    auto bandLines = co_await std::move(band);
    co_return AttributionStrip::mergedLines(wholeLines, {}, {}, bandLines);
}

QCoro::Task<std::vector<OCRLine>> recognizeAttributionLines(TextEngine engine, QImage image, CPULane lane)
{
    auto first = recognizeFirstLines(engine, image, lane);
    auto remaining = recognizeRemainingLines(engine, image, lane);
    auto lines = co_await std::move(first);
    auto more = co_await std::move(remaining);
    lines.insert(lines.end(), more.begin(), more.end());
    co_return lines;
}

} // namespace vantry::TextPasses
