#pragma once

namespace vantry {

// The glyph between the set code and the language code of a collector line:
// a star marks a foil printing, a round dot a non-foil one.
enum class SeparatorGlyph { star, dot, unknown };

} // namespace vantry
