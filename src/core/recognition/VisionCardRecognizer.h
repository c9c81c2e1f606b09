#pragma once

#include "core/art/ArtCardBack.h"
#include "core/art/ArtCardMatching.h"
#include "core/resolution/AttributionResolution.h"
#include "core/reading/AttributionStrip.h"
#include "core/support/CPUWork.h"
#include "core/recognition/CardRecognizing.h"
#include "core/resolution/CardResolving.h"
#include "core/reading/SeparatorGlyph.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// Turns one cropped card scan into ranked printings: the collector strip and title bar
// read first (an exact set-and-number lookup that their title confirms ends there), then
// the other text passes, an exact lookup, a sideways re-read, the Art Series paths and a
// name search, in that order. Stateless between scans; traces each scan with
// "[recognize]" lines on standard output.
class VisionCardRecognizer final : public CardRecognizing {
public:
    using TextEngine = std::shared_ptr<const TextRecognizing>;
    // Reads the separator glyph of an upright card (only asked when automatic foil
    // detection is on).
    using GlyphReader = std::function<QCoro::Task<SeparatorGlyph>(QImage, CPULane)>;
    using TraceSink = std::function<void(const QString&)>;

    struct Options {
        TextEngine text;   // default: Tesseract
        GlyphReader glyph; // default: the separator locator over `text`
        TraceSink trace;   // default: standard output
    };

    VisionCardRecognizer(std::shared_ptr<const CardResolving> resolver,
                         std::shared_ptr<const ArtCardMatching> artMatcher, std::function<bool()> autoFoilDetect,
                         Options options = {});

    QCoro::Task<RecognitionOutcome> recognize(QImage image, ScanFinish finish, BackLoader back = {},
                                              CPULane lane = CPULane::ordinary) const override;

    // One synchronous text pass; blocks, so it runs on the CPU pool.
    static std::vector<OCRLine> ocrLines(const TextRecognizing& engine, const QImage& image,
                                         TextPrint print = TextPrint::mixed);

    // The first read: the collector strip and the title bar at once, merged (strip, title).
    static QCoro::Task<std::vector<OCRLine>> recognizeFirstLines(TextEngine engine, QImage image,
                                                                 CPULane lane = CPULane::ordinary);
    // The collector corner read again, its lines remapped into the whole card.
    static QCoro::Task<std::vector<OCRLine>> recognizeCollectorCorner(TextEngine engine, QImage image,
                                                                      CPULane lane = CPULane::ordinary);
    // The title bar alone, in whole-image coordinates.
    static QCoro::Task<std::vector<OCRLine>> recognizeTitleBar(TextEngine engine, QImage image,
                                                               CPULane lane = CPULane::ordinary);
    // The title line of a frame without a strip, read closer (see AttributionStrip::titleLine).
    static QCoro::Task<std::vector<OCRLine>> recognizeTitleLine(TextEngine engine, QImage image,
                                                                CPULane lane = CPULane::ordinary);
    // The top of the card (see AttributionStrip::titleArea), in whole-image coordinates.
    static QCoro::Task<std::vector<OCRLine>> recognizeTitleArea(TextEngine engine, QImage image,
                                                                CPULane lane = CPULane::ordinary);
    // The wide collector strip (see AttributionStrip::wideCollectorStrip), in whole-image
    // coordinates.
    static QCoro::Task<std::vector<OCRLine>> recognizeWideStrip(TextEngine engine, QImage image,
                                                                CPULane lane = CPULane::ordinary);
    // The rest: the interior band and the whole image at once, merged (band, whole).
    static QCoro::Task<std::vector<OCRLine>> recognizeRemainingLines(TextEngine engine, QImage image,
                                                                     CPULane lane = CPULane::ordinary);
    // Every pass at once, merged (strip, title, band, whole).
    static QCoro::Task<std::vector<OCRLine>> recognizeAttributionLines(TextEngine engine, QImage image,
                                                                       CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeText(TextEngine engine, QImage image,
                                                           CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeStrip(TextEngine engine, QImage image,
                                                            AttributionStrip::Edge edge,
                                                            CPULane lane = CPULane::ordinary);
    static QCoro::Task<std::vector<OCRLine>> recognizeInteriorBand(TextEngine engine, QImage image,
                                                                   CPULane lane = CPULane::ordinary);

    // Reads a side of an Art Series card as text (turning it when the marker is not seen)
    // and resolves it against the index entries. Reading and resolving run on the CPU pool's
    // `lane` (an index holds thousands of prints).
    static QCoro::Task<std::optional<ArtCardBackResolution>>
    resolveArtTextSide(TextEngine engine, QImage image, std::vector<OCRLine> seedLines,
                       std::shared_ptr<const ArtCardBackIndex> index, CPULane lane = CPULane::ordinary);

    // The "[recognize]" summary line and the "raw:" line of a scan.
    static QString summaryLine(std::size_t lineCount, const CardAttribution& attribution, ScanFinish finish,
                               const QString& finishNote);
    static QString rawLine(const std::vector<OCRLine>& lines);
    // ["a", "b"]
    static QString quotedList(const QStringList& items);

private:
    static QCoro::Task<std::vector<Candidate>> nameCandidates(std::shared_ptr<const CardResolving> resolver,
                                                              QString title, CardAttribution attribution,
                                                              ScanFinish finish);

    std::shared_ptr<const CardResolving> resolver_;
    std::shared_ptr<const ArtCardMatching> artMatcher_;
    std::function<bool()> autoFoilDetect_;
    Options options_;
};

} // namespace vantry
