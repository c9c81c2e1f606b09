#pragma once

#include "platform/OCRLine.h"
#include "platform/TextObservation.h"

#include <QImage>

#include <vector>

namespace vantry {

// What an image holds, for the engine's second read of a weak line inverted (light print on
// a dark ground reads as noise the first time).
enum class TextPrint {
    // Print of both kinds anywhere: a whole card (dark rules text, white titles over artwork),
    // a strip that may stand over artwork.
    mixed,
    // A crop with print of one kind, which its ground tells (a title bar): on a mostly light
    // ground the print is dark, and a weak line read again inverted is texture.
    oneKind,
    // One line of print cut to its height (a title located on the card): read as a single
    // line, at the size it comes in.
    singleLine,
};

// Text recognition of one image: its lines, best reading each, most accurate level, no
// language correction. Coordinates are normalised to the image given, origin at the
// bottom-left. Failure is an empty list, never an exception.
//
// Implementations are safe to call from several threads at once; a call blocks while it
// works, so callers run it on the CPU pool.
class TextRecognizing {
public:
    virtual ~TextRecognizing() = default;

    virtual std::vector<OCRLine> recognizeLines(const QImage& image, TextPrint print = TextPrint::mixed) const = 0;

    // The same reading with a box per character, for callers that need where a part of a
    // line stands. An engine without character boxes reports each line across the full
    // width with no character boxes.
    virtual std::vector<TextObservation> recognizeObservations(const QImage& image) const
    {
        std::vector<TextObservation> out;
        for (const OCRLine& line : recognizeLines(image))
            out.push_back({line.text, {0, line.midY - line.height / 2, 1, line.height}, {}});
        return out;
    }
};

} // namespace vantry
