#pragma once

#include "core/reading/AttributionStrip.h"
#include "core/support/CPUWork.h"
#include "core/reading/SeparatorGlyph.h"
#include "platform/TextObservation.h"
#include "platform/TextRecognizing.h"

#include <QCoroTask>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// Which glyph stands between the set code and the language code of a card's collector
// line: first the text-free band scan, then the gap between the two tokens read in the
// enlarged bottom strip, then in the top strip.
class SeparatorLocator {
public:
    SeparatorLocator() = delete;

    using TextEngine = std::shared_ptr<const TextRecognizing>;

    // Offsets and lengths in UTF-16 units of the text.
    struct TokenRanges {
        qsizetype setStart = 0;
        qsizetype setLength = 0;
        qsizetype languageStart = 0;
        qsizetype languageLength = 0;
        bool operator==(const TokenRanges&) const = default;
    };

    static constexpr double stripScale = 3;
    static constexpr double starMaxSolidity = 0.72;
    static constexpr double dotMinSolidity = 0.85;
    static constexpr double gapPadFraction = 0.12;

    // `card` is the whole card, upright. Every image step runs on the CPU pool.
    static QCoro::Task<SeparatorGlyph> glyph(TextEngine engine, QImage card, CPULane lane = CPULane::ordinary);

    // One strip of the card, read and classified; blocks.
    static SeparatorGlyph glyphInStrip(const TextRecognizing& engine, const QImage& card, AttributionStrip::Edge edge);
    // The first observation whose set-code and language tokens frame a recognisable glyph.
    static SeparatorGlyph glyphFromObservations(const std::vector<TextObservation>& observations, const QImage& strip);

    // The gap as the classifier should see it: light glyph on a dark ground (a light border
    // is turned over) and without the letter parts that the padding reaches at either side.
    static QImage isolatedGlyph(const QImage& gap);

    // The set-code token (3 to 5 letters or digits, at least one letter) and the two-letter
    // language token after it, with at most one separator character between them.
    static std::optional<TokenRanges> setLangTokenRanges(const QString& text);
};

} // namespace vantry
