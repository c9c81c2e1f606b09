#pragma once

#include "core/card/ScannedCard.h"
#include "core/intake/LeftOutScanFile.h"
#include "core/intake/ScanSides.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <utility>
#include <vector>

namespace vantry {

// Lower-case extensions of the files that count as scan pages.
const QSet<QString>& imageExtensions();

// What one directory listing held.
struct ImageListingDiagnostics {
    qint64 totalEntries = 0;       // every entry, hidden ones and folders included
    qint64 scanImages = 0;         // entries that pass the scan-image filter
    qint64 hiddenImageSidecars = 0; // image-named entries beginning with "." ("._scan.png")

    bool operator==(const ImageListingDiagnostics&) const = default;
};

// Which file a name currently points at. A file replaced under the same name, or one that
// grew or was rewritten, has another identity.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0; // modification time, nanoseconds since the epoch

    bool operator==(const FileIdentity&) const = default;
};

// One scan page of a listing.
struct ScanFileEntry {
    QString path;
    QString name;
    FileIdentity identity;
};

// A folder could not be read (missing, not a folder, no permission, I/O error).
class ScanFolderError : public std::runtime_error {
public:
    ScanFolderError(const QString& folder, int errorNumber);
    const QString& folder() const { return folder_; }
    int errorNumber() const { return errno_; }

private:
    QString folder_;
    int errno_;
};

// The scan pages directly inside `folder`: image extension (any case), a name not starting
// with ".", and a regular file or a link to one. Ordered by ScanFileOrder (stable, ties in
// byte order of the names). Throws ScanFolderError.
//
// A page whose name is not valid UTF-8 cannot be opened through the application's paths: it
// is no page, and goes to `leftOut` (in scan order) when that is given.
QStringList listImages(const QString& folder, std::vector<LeftOutScanFile>* leftOut = nullptr);
// The same listing with each page's identity, for pollers.
std::vector<ScanFileEntry> listImageEntries(const QString& folder, std::vector<LeftOutScanFile>* leftOut = nullptr);
ImageListingDiagnostics imageListingDiagnostics(const QString& folder);

// Pages in scan order to cards: one page per card, or front then back. An odd last page
// of a duplex scan is a card without a back.
std::vector<ScannedCard> pairImages(const QStringList& pages, ScanSides sides);
// The folder's cards. A page left out keeps its place while the pages are paired, so that it
// never pairs the back of one card with the front of the next: its card is left out whole,
// and the other side of it goes to `leftOut` too.
std::vector<ScannedCard> cardsFromFolder(const QString& folder, ScanSides sides,
                                         std::vector<LeftOutScanFile>* leftOut = nullptr);

// Splits a re-listing into names not seen before (in listing order) and the new seen set;
// names that left the folder are forgotten.
struct FreshScans {
    QStringList fresh;
    QSet<QString> updatedSeen;
};
FreshScans partitionFreshScans(const QStringList& currentNames, const QSet<QString>& seen);

} // namespace vantry
