#pragma once

#include "platform/OCRLine.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// A box normalised to the image read: 0..1, origin at the bottom-left corner, so `y` is
// the bottom edge and `y + height` the top edge.
struct TextBox {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double right() const { return x + width; }
    double top() const { return y + height; }
    bool operator==(const TextBox&) const = default;
};

// One recognised line with where each of its characters stands.
struct TextObservation {
    QString text;
    TextBox box;
    // One entry per UTF-16 unit of `text`; none where the engine gave no box (the spaces
    // put between words, or an engine that reports lines only).
    std::vector<std::optional<TextBox>> characterBoxes;

    // The union of the boxes of the characters in [start, start + length); none when the
    // range leaves the text or none of its characters has a box.
    std::optional<TextBox> boundingBox(qsizetype start, qsizetype length) const
    {
        if (start < 0 || length <= 0 || start + length > text.size() ||
            std::size_t(start + length) > characterBoxes.size())
            return std::nullopt;
        std::optional<TextBox> out;
        for (qsizetype i = start; i < start + length; ++i) {
            const auto& b = characterBoxes[std::size_t(i)];
            if (!b)
                continue;
            if (!out) {
                out = *b;
                continue;
            }
            const double left = std::min(out->x, b->x), bottom = std::min(out->y, b->y);
            const double right = std::max(out->right(), b->right()), top = std::max(out->top(), b->top());
            out = TextBox{left, bottom, right - left, top - bottom};
        }
        return out;
    }

    // The line as the other passes see it.
    OCRLine line() const { return {text, box.y + box.height / 2, box.height}; }
};

} // namespace vantry
