#pragma once

#include "core/reading/AttributionStrip.h"
#include "core/support/CPUWork.h"
#include "platform/OCRLine.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>

#include <memory>
#include <vector>

namespace vantry {

// The text passes over a card: each reads one region (see AttributionStrip) on the CPU pool
// and gives its lines in whole-image coordinates. They only read: what the lines mean is
// for the parser and the recognizer.
namespace TextPasses {

using TextEngine = std::shared_ptr<const TextRecognizing>;

// One synchronous text pass; blocks, so it runs on the CPU pool. A failed pass gives no lines.
std::vector<OCRLine> ocrLines(const TextRecognizing& engine, const QImage& image, TextPrint print = TextPrint::mixed);

// The whole image, shrunk to the whole card's text height when taller.
QCoro::Task<std::vector<OCRLine>> recognizeText(TextEngine engine, QImage image, CPULane lane = CPULane::ordinary);
// The whole image turned by some quarter turns, at its own size.
QCoro::Task<std::vector<OCRLine>> recognizeTurned(TextEngine engine, QImage image, int quarterTurns,
                                                  CPULane lane = CPULane::ordinary);
QCoro::Task<std::vector<OCRLine>> recognizeInteriorBand(TextEngine engine, QImage image,
                                                        CPULane lane = CPULane::ordinary);

// The first read: the collector strip and the title bar at once, merged (strip, title).
QCoro::Task<std::vector<OCRLine>> recognizeFirstLines(TextEngine engine, QImage image,
                                                      CPULane lane = CPULane::ordinary);
// The collector corner read again (see AttributionStrip::collectorCorner).
QCoro::Task<std::vector<OCRLine>> recognizeCollectorCorner(TextEngine engine, QImage image,
                                                           CPULane lane = CPULane::ordinary);
// The wide collector strip (see AttributionStrip::wideCollectorStrip).
QCoro::Task<std::vector<OCRLine>> recognizeWideStrip(TextEngine engine, QImage image,
                                                     CPULane lane = CPULane::ordinary);

// The crops of the card's top that read its title (in the order of their table in TextPasses.cpp).
enum class TitleCrop {
    bar,  // the title bar (AttributionStrip::titleBar)
    line, // the title line of a frame without a strip, read closer (AttributionStrip::titleLine)
    area, // the top of the card as the whole card shows it (AttributionStrip::titleArea)
};
QCoro::Task<std::vector<OCRLine>> recognizeTitle(TextEngine engine, QImage image, TitleCrop crop,
                                                 CPULane lane = CPULane::ordinary);

// The title line located by its print (AttributionStrip::locatedTitleLine), read as one line:
// none when the top of the card shows no line of print.
QCoro::Task<std::vector<OCRLine>> recognizeLocatedTitle(TextEngine engine, QImage image,
                                                        AttributionStrip::LineGround ground,
                                                        CPULane lane = CPULane::ordinary);
// The title in a line read whole across the title bar: the frame's edge read as a letter
// before it ("B Pearled Unicorn", "| Green Ward") and whatever follows the first piece
// without letters (texture and mana symbols: "Gloom . - * oe") are not the name.
QString titleOfLine(const QString& line);

// The rest: the interior band and the whole image at once, merged (band, whole).
QCoro::Task<std::vector<OCRLine>> recognizeRemainingLines(TextEngine engine, QImage image,
                                                          CPULane lane = CPULane::ordinary);
// Every pass at once, merged (strip, title, band, whole).
QCoro::Task<std::vector<OCRLine>> recognizeAttributionLines(TextEngine engine, QImage image,
                                                            CPULane lane = CPULane::ordinary);

} // namespace TextPasses

} // namespace vantry
