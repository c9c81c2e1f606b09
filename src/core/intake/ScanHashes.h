#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vantry {

// Content hashes are 64 lower-case hex digits of a SHA-256 digest. They are stored in the
// import ledger, so their exact input is part of the data format.

// SHA-256 of the concatenated IDAT chunk data of a PNG, blind to every other chunk. None
// for data that is not a PNG or holds no IDAT chunk before IEND. A chunk that runs past the
// end contributes the bytes that are there.
std::optional<QString> pngPixelHash(QByteArrayView data);
// The same for a file, read chunk by chunk (the signature first, so a large non-PNG costs
// one small read). None when the file cannot be read or is larger than maxScanFileBytes.
std::optional<QString> pngPixelHashOfFile(const QString& path);

// SHA-256 of "scan-image-v1:<w>x<h>:<dw>x<dh>:rgba:" followed by the image drawn at
// dw x dh (reduced to fit `maxDimension`, never enlarged) as premultiplied RGBA rows of
// exactly 4 x dw bytes. None for an empty image or a maxDimension below 1.
std::optional<QString> scanImageIdentityHash(const QImage& image, int maxDimension);

struct DedupeResult {
    QStringList kept;
    QStringList dropped;

    bool operator==(const DedupeResult&) const = default;
};

// Keeps the first path of each hash; paths without a hash are always kept.
DedupeResult dedupeByContentHash(const QStringList& paths,
                                 const std::function<std::optional<QString>(const QString&)>& hasher);

} // namespace vantry
