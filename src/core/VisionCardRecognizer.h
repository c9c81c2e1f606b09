#pragma once

#include "core/AttributionStrip.h"
#include "core/CPUWork.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>

#include <memory>
#include <vector>

namespace vantry {

// Reads a card: four text passes (whole image, enlarged bottom and top strips, enlarged
// interior band) on the CPU pool, merged into whole-image coordinates.
class VisionCardRecognizer {
public:
    using TextEngine = std::shared_ptr<const TextRecognizing>;

    // One synchronous text pass; blocks, so it runs on the CPU pool.
    static std::vector<OCRLine> ocrLines(const TextRecognizing& engine, const QImage& image);

    // The four passes at once, merged (bottom, top, band, whole).
    static QCoro::Task<std::vector<OCRLine>> recognizeAttributionLines(TextEngine engine, QImage image,
                                                                       CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeText(TextEngine engine, QImage image,
                                                           CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeStrip(TextEngine engine, QImage image,
                                                            AttributionStrip::Edge edge,
                                                            CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeInteriorBand(TextEngine engine, QImage image,
                                                                   CPULane lane = CPULane::ordinary);
};

} // namespace vantry
