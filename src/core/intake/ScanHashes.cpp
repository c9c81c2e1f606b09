#include "core/intake/ScanHashes.h"

#include "core/intake/LeftOutScanFile.h"

#include "core/support/ImageDecode.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QSet>


#include <algorithm>
#include <cstring>
#include <vector>

namespace vantry {

namespace {

constexpr char pngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

QString hex(const QCryptographicHash& digest) { return QString::fromLatin1(digest.result().toHex()); }

bool skipExactly(QIODevice& in, qint64 count) { return count == 0 || in.skip(count) == count; }

// Walks the chunks of a PNG stream positioned after the signature.
std::optional<QString> hashIdatChunks(QIODevice& in)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    bool hashedImageData = false;
    std::vector<char> block(1 << 16);
    for (;;) {
        unsigned char header[8];
        if (in.read(reinterpret_cast<char*>(header), 8) != 8)
            break;
        const quint64 length = (quint64(header[0]) << 24) | (quint64(header[1]) << 16) |
                               (quint64(header[2]) << 8) | quint64(header[3]);
        const QByteArrayView type(reinterpret_cast<const char*>(header + 4), 4);
        if (type == "IDAT") {
            hashedImageData = true;
            quint64 left = length;
            while (left > 0) {
                const qint64 got = in.read(block.data(), qint64(std::min<quint64>(left, block.size())));
                if (got <= 0)
                    break;
                digest.addData(QByteArrayView(block.data(), got));
                left -= quint64(got);
            }
            if (left > 0)
                break; // the chunk runs past the end: what was there is hashed
        } else if (type == "IEND") {
            break;
        } else if (!skipExactly(in, qint64(length))) {
            break;
        }
        if (!skipExactly(in, 4)) // CRC, not verified
            break;
    }
    if (!hashedImageData)
        return std::nullopt;
    return hex(digest);
}

bool readSignature(QIODevice& in)
{
    char head[8];
    return in.read(head, 8) == 8 && std::memcmp(head, pngSignature, 8) == 0;
}

} // namespace

std::optional<QString> pngPixelHash(QByteArrayView data)
{
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!readSignature(buffer))
        return std::nullopt;
    return hashIdatChunks(buffer);
}

std::optional<QString> pngPixelHashOfFile(const QString& path)
{
    QFile file(path);
    // A file far larger than any scan is not read through (the size of the open file).
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxScanFileBytes || !readSignature(file))
        return std::nullopt;
    return hashIdatChunks(file);
}

std::optional<QString> scanImageIdentityHash(const QImage& image, int maxDimension)
{
    if (maxDimension <= 0 || image.isNull() || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    const int width = image.width(), height = image.height();
    const double scale = std::min(double(maxDimension) / double(std::max(width, height)), 1.0);
    const int drawnWidth = std::max(1, int(scale * width));
    const int drawnHeight = std::max(1, int(scale * height));

    const QImage drawn = image::resized(image, drawnWidth, drawnHeight);
    if (drawn.isNull())
        return std::nullopt;
    // Rows of exactly 4 x drawnWidth bytes, whatever padding the image has.
    std::vector<uchar> pixels(size_t(drawnWidth) * size_t(drawnHeight) * 4);
    const size_t rowBytes = size_t(drawnWidth) * 4;
    for (int y = 0; y < drawnHeight; ++y)
        std::memcpy(pixels.data() + size_t(y) * rowBytes, drawn.constScanLine(y), rowBytes);

    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(QStringLiteral("scan-image-v1:%1x%2:%3x%4:rgba:")
                       .arg(QString::number(width), QString::number(height), QString::number(drawnWidth),
                            QString::number(drawnHeight))
                       .toUtf8());
    digest.addData(QByteArrayView(reinterpret_cast<const char*>(pixels.data()), qsizetype(pixels.size())));
    return hex(digest);
}

DedupeResult dedupeByContentHash(const QStringList& paths,
                                 const std::function<std::optional<QString>(const QString&)>& hasher)
{
    DedupeResult result;
    QSet<QString> met;
    for (const QString& path : paths) {
        const std::optional<QString> hash = hasher(path);
        if (!hash) {
            result.kept.append(path);
        } else if (met.contains(*hash)) {
            result.dropped.append(path);
        } else {
            met.insert(*hash);
            result.kept.append(path);
        }
    }
    return result;
}

} // namespace vantry
