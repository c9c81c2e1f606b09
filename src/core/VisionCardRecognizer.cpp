#include "core/VisionCardRecognizer.h"

namespace vantry {

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
    co_return co_await CPUWork::run([engine, image] { return ocrLines(*engine, image); }, lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeStrip(TextEngine engine, QImage image,
                                                                       AttributionStrip::Edge edge, CPULane lane)
{
    co_return co_await CPUWork::run(
        [engine, image, edge] {
            const auto strip = AttributionStrip::upscaledStrip(image, edge, AttributionStrip::defaultHeightFraction,
                                                               AttributionStrip::defaultScale);
            return strip ? ocrLines(*engine, *strip) : std::vector<OCRLine>{};
        },
        lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeInteriorBand(TextEngine engine, QImage image,
                                                                              CPULane lane)
{
    co_return co_await CPUWork::run(
        [engine, image] {
            const auto band = AttributionStrip::upscaledBand(image, AttributionStrip::interiorTopFraction,
                                                             AttributionStrip::interiorHeightFraction,
                                                             AttributionStrip::defaultScale);
            return band ? ocrLines(*engine, *band) : std::vector<OCRLine>{};
        },
        lane);
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
