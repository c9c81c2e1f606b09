#pragma once

#include <QByteArray>
#include <QImage>

#include <sane/sane.h>

#include <optional>

namespace vantry {

// Turns the frames of one SANE page into an 8-bit RGB image: single-pass grey or RGB
// frames, or three separate red, green and blue frames; depths 1, 8 and 16; lines that
// carry padding beyond their pixels; and a height learnt only at the end of the frame.
class SaneFrameAssembler {
public:
    // `data` holds the frame's lines, `params.bytes_per_line` bytes each (a trailing
    // partial line is dropped). False when the frame cannot be used.
    bool addFrame(const SANE_Parameters& params, const QByteArray& data);
    // The page once its last frame was added.
    std::optional<QImage> image() const;

private:
    QImage image_;
    bool complete_ = false;
    bool haveChannel_[3] = {false, false, false};
};

} // namespace vantry
