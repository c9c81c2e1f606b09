#include "core/VisionCardRecognizer.h"

namespace vantry {

namespace {

// The pool task is made outside any co_await expression: GCC destroys non-trivial
// temporaries of a co_await full-expression twice.
template <class F>
QCoro::Task<std::vector<OCRLine>> onPool(F work, CPULane lane)
{
    auto task = CPUWork::run(std::move(work), lane);
    auto lines = co_await std::move(task);
    co_return lines;
}

} // namespace

std::vector<OCRLine> VisionCardRecognizer::ocrLines(const TextRecognizing& engine, const QImage& image)
{
    try {
        return engine.recognizeLines(image);
    } catch (...) {
        // A failed pass contributes no lines.
        return {};
    }
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeText(TextEngine engine, QImage image, CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image] { return ocrLines(*engine, image); };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeStrip(TextEngine engine, QImage image,
                                                                       AttributionStrip::Edge edge, CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image, edge] {
        const auto strip = AttributionStrip::upscaledStrip(image, edge, AttributionStrip::defaultHeightFraction,
                                                           AttributionStrip::defaultScale);
        return strip ? ocrLines(*engine, *strip) : std::vector<OCRLine>{};
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeInteriorBand(TextEngine engine, QImage image,
                                                                              CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image] {
        const auto band = AttributionStrip::upscaledBand(image, AttributionStrip::interiorTopFraction,
                                                         AttributionStrip::interiorHeightFraction,
                                                         AttributionStrip::defaultScale);
        return band ? ocrLines(*engine, *band) : std::vector<OCRLine>{};
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeAttributionLines(TextEngine engine, QImage image,
                                                                                  CPULane lane)
{
    // Tasks start eagerly: all four are queued on the pool before the first await.
    auto whole = recognizeText(engine, image, lane);
    auto bottom = recognizeStrip(engine, image, AttributionStrip::Edge::bottom, lane);
    auto top = recognizeStrip(engine, image, AttributionStrip::Edge::top, lane);
    auto band = recognizeInteriorBand(engine, image, lane);
    auto wholeLines = co_await std::move(whole);
    auto bottomLines = co_await std::move(bottom);
    auto topLines = co_await std::move(top);
    auto bandLines = co_await std::move(band);
    co_return AttributionStrip::mergedLines(wholeLines, bottomLines, topLines, bandLines,
                                            AttributionStrip::defaultHeightFraction);
}

} // namespace vantry
