#pragma once

#include <QString>

namespace vantry {

// One status label of the recount screen: its text, symbol and colour.
struct RecountLine {
    enum class Symbol { hourglass, warning, info, checkmark, stop, question, trash };
    enum class Tone { secondary, orange, green, red };

    QString text;
    Symbol symbol = Symbol::info;
    Tone tone = Tone::secondary;

    bool operator==(const RecountLine&) const = default;
};

} // namespace vantry
