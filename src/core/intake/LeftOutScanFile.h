#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace vantry {

// Files larger than this are never read as scans. A 600-dpi scan of a card is a few MiB, and
// even an uncompressed 48-bit TIFF of a whole A4 page at 600 dpi stays near 200 MiB; a file
// past 512 MiB is no scan (a sparse or runaway file), and hashing it would hold up the batch.
inline constexpr qint64 maxScanFileBytes = qint64(512) * 1024 * 1024;

// Why a file that looks like a scan page was left out of a batch.
enum class LeftOutReason {
    nameNotUtf8,      // its name cannot be told to the file system again, so it cannot be opened
    tooLarge,         // larger than maxScanFileBytes; not read at all
    otherSideLeftOut, // a duplex page whose card lost its other side for one of the reasons above
};

// A file left out, named as the user sees it (bytes that are not UTF-8 show as U+FFFD).
struct LeftOutScanFile {
    QString name;
    LeftOutReason reason = LeftOutReason::nameNotUtf8;
    QByteArray rawName; // the name's bytes on disk, when known

    bool operator==(const LeftOutScanFile&) const = default;
};

// "its file name is not valid UTF-8 — rename it", and the like.
QString leftOutReasonText(LeftOutReason reason);
// The status line's piece for `files`, empty for none: "1 file left out: a.png (why)"; at
// most three files are named, the rest counted.
QString leftOutSummary(const std::vector<LeftOutScanFile>& files);

} // namespace vantry
