#include "platform/SaneFrameAssembler.h"

#include <cstring>

namespace vantry {

namespace {

// One sample of a line as 8 bits. Depth-1 grey uses 1 for black; depth-1 colour uses 1 for full intensity.
inline uchar sample(const uchar* line, int index, int depth, bool grey)
{
    switch (depth) {
    case 1: {
        const bool bit = (line[index / 8] >> (7 - index % 8)) & 1;
        return grey ? (bit ? 0 : 255) : (bit ? 255 : 0);
    }
    case 16: {
        quint16 value;
        std::memcpy(&value, line + 2 * index, 2); // host byte order
        return static_cast<uchar>(value >> 8);
    }
    default:
        return line[index];
    }
}

} // namespace

bool SaneFrameAssembler::addFrame(const SANE_Parameters& p, const QByteArray& data)
{
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 || !(p.depth == 1 || p.depth == 8 || p.depth == 16))
        return false;
    const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
    const qint64 needed = (static_cast<qint64>(p.pixels_per_line) * channels * p.depth + 7) / 8;
    if (needed > p.bytes_per_line)
        return false;
    int lines = static_cast<int>(data.size() / p.bytes_per_line);
    if (p.lines >= 0)
        lines = std::min(lines, static_cast<int>(p.lines));
    if (lines <= 0)
        return false;
    const int width = p.pixels_per_line;

    if (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) {
        image_ = QImage(width, lines, QImage::Format_RGB888);
        if (image_.isNull())
            return false;
        const bool grey = p.format == SANE_FRAME_GRAY;
        for (int y = 0; y < lines; ++y) {
            const auto* line = reinterpret_cast<const uchar*>(data.constData()) + static_cast<qint64>(y) * p.bytes_per_line;
            uchar* out = image_.scanLine(y);
            for (int x = 0; x < width; ++x) {
                if (grey) {
                    const uchar v = sample(line, x, p.depth, true);
                    out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
                } else {
                    for (int c = 0; c < 3; ++c)
                        out[3 * x + c] = sample(line, 3 * x + c, p.depth, false);
                }
            }
        }
        complete_ = true;
        return true;
    }

    int channel = -1;
    switch (p.format) {
    case SANE_FRAME_RED: channel = 0; break;
    case SANE_FRAME_GREEN: channel = 1; break;
    case SANE_FRAME_BLUE: channel = 2; break;
    default: return false;
    }
    if (image_.isNull() || image_.width() != width) {
        image_ = QImage(width, lines, QImage::Format_RGB888);
        if (image_.isNull())
            return false;
        image_.fill(Qt::black);
    }
    const int rows = std::min(lines, image_.height());
    for (int y = 0; y < rows; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(data.constData()) + static_cast<qint64>(y) * p.bytes_per_line;
        uchar* out = image_.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[3 * x + channel] = sample(line, x, p.depth, false);
    }
    haveChannel_[channel] = true;
    complete_ = p.last_frame && haveChannel_[0] && haveChannel_[1] && haveChannel_[2];
    return true;
}

std::optional<QImage> SaneFrameAssembler::image() const
{
    if (!complete_ || image_.isNull())
        return std::nullopt;
    return image_;
}

} // namespace vantry
