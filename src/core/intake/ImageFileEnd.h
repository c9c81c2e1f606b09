#pragma once

#include <QString>

namespace vantry {

// Whether an image file's bytes reach its format's end marker.
enum class ImageFileEnd {
    complete,  // PNG ending in its IEND chunk, JPEG ending in EOI
    truncated, // PNG or JPEG without its end marker (still being written, or cut short)
    unknown,   // another format (no end marker to look for), or the file cannot be read
};

// Reads the first and the last few bytes only. The format is told by the file's signature,
// not by its name.
ImageFileEnd imageFileEnd(const QString& path);

} // namespace vantry
