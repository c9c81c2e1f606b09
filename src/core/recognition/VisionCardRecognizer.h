#pragma once

#include "core/art/ArtCardBack.h"
#include "core/art/ArtCardMatching.h"
#include "core/support/CPUWork.h"
#include "core/recognition/CardRecognizing.h"
#include "core/resolution/CardResolving.h"
#include "core/reading/SeparatorGlyph.h"
#include "core/reading/TextPasses.h"
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
// name search, in that order (each scan's steps and state are a RecognitionRun). Stateless
// between scans; traces each scan with "[recognize]" lines on standard output.
class VisionCardRecognizer final : public CardRecognizing {
public:
    using TextEngine = TextPasses::TextEngine;
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
    std::shared_ptr<const CardResolving> resolver_;
    std::shared_ptr<const ArtCardMatching> artMatcher_;
    std::function<bool()> autoFoilDetect_;
    Options options_;
};

} // namespace vantry
