#include "core/intake/ScanFileListing.h"

#include "core/intake/ScanFileOrder.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

namespace {

struct RawEntry {
    QString name;
    bool imageNamed = false; // image extension, whatever the first character
    bool isPage = false;     // image-named, not hidden, a regular file (through links)
    bool nameNotUtf8 = false; // would be a page, but its name does not survive a round trip
    QByteArray rawName;       // only for a name that is not UTF-8
    FileIdentity identity;
};

QString lowerExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

// Reads the immediate entries of `folder`; any failure, also half way, throws.
std::vector<RawEntry> readFolder(const QString& folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir)
        throw ScanFolderError(folder, errno);
    const int fd = ::dirfd(dir.get());
    std::vector<RawEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir.get());
        if (!d) {
            if (errno != 0)
                throw ScanFolderError(folder, errno);
            break;
        }
        const char* raw = d->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        RawEntry entry;
        entry.name = QFile::decodeName(raw);
        entry.imageNamed = imageExtensions().contains(lowerExtension(entry.name));
        if (entry.imageNamed && !entry.name.startsWith(QLatin1Char('.'))) {
            struct stat st {};
            if (::fstatat(fd, raw, &st, 0) == 0 && S_ISREG(st.st_mode)) {
                entry.identity = {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                                  qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
                // A name the platform cannot round-trip could not be opened later: no page,
                // but one the user must hear about.
                if (QFile::encodeName(entry.name) == QByteArray(raw)) {
                    entry.isPage = true;
                } else {
                    entry.nameNotUtf8 = true;
                    entry.rawName = QByteArray(raw);
                }
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Byte order first, so that names equal under the scan order keep one fixed order whatever
// order the file system returns them in.
template <class T>
void sortByScanOrder(std::vector<T>& items)
{
    std::sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.name < b.name; });
    std::stable_sort(items.begin(), items.end(),
                     [](const T& a, const T& b) { return ScanFileOrder::before(a.name, b.name); });
}

std::vector<ScanFileEntry> pagesOf(const QString& folder, const std::vector<RawEntry>& entries,
                                   std::vector<LeftOutScanFile>* leftOut)
{
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    std::vector<ScanFileEntry> pages;
    std::vector<LeftOutScanFile> left;
    for (const RawEntry& e : entries) {
        if (e.isPage)
            pages.push_back({prefix + e.name, e.name, e.identity});
        else if (e.nameNotUtf8)
            left.push_back({e.name, LeftOutReason::nameNotUtf8, e.rawName});
    }
    sortByScanOrder(pages);
    if (leftOut) {
        sortByScanOrder(left);
        *leftOut = std::move(left);
    }
    return pages;
}

} // namespace

ScanFolderError::ScanFolderError(const QString& folder, int errorNumber)
    : std::runtime_error(QStringLiteral("could not read folder %1: %2")
                             .arg(folder, QString::fromLocal8Bit(std::strerror(errorNumber)))
                             .toStdString()),
      folder_(folder), errno_(errorNumber)
{
}

const QSet<QString>& imageExtensions()
{
    static const QSet<QString> extensions{QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                          QStringLiteral("webp"), QStringLiteral("tif"), QStringLiteral("tiff"),
                                          QStringLiteral("bmp")};
    return extensions;
}

std::vector<ScanFileEntry> listImageEntries(const QString& folder, std::vector<LeftOutScanFile>* leftOut)
{
    return pagesOf(folder, readFolder(folder), leftOut);
}

QStringList listImages(const QString& folder, std::vector<LeftOutScanFile>* leftOut)
{
    QStringList paths;
    for (const ScanFileEntry& e : listImageEntries(folder, leftOut))
        paths.append(e.path);
    return paths;
}

ImageListingDiagnostics imageListingDiagnostics(const QString& folder)
{
    const std::vector<RawEntry> entries = readFolder(folder);
    ImageListingDiagnostics d;
    d.totalEntries = qint64(entries.size());
    for (const RawEntry& e : entries) {
        if (e.isPage)
            ++d.scanImages;
        if (e.imageNamed && e.name.startsWith(QLatin1Char('.')))
            ++d.hiddenImageSidecars;
    }
    return d;
}

std::vector<ScannedCard> pairImages(const QStringList& pages, ScanSides sides)
{
    std::vector<ScannedCard> cards;
    const qsizetype step = sides == ScanSides::duplex ? 2 : 1;
    for (qsizetype i = 0; i < pages.size(); i += step) {
        ScannedCard card;
        card.index = int(cards.size());
        card.front = pages[i];
        if (step == 2 && i + 1 < pages.size())
            card.back = pages[i + 1];
        cards.push_back(std::move(card));
    }
    return cards;
}

std::vector<ScannedCard> cardsFromFolder(const QString& folder, ScanSides sides, std::vector<LeftOutScanFile>* leftOut)
{
    std::vector<LeftOutScanFile> left;
    const std::vector<ScanFileEntry> pages = listImageEntries(folder, &left);
    if (left.empty() || sides == ScanSides::single) {
        if (leftOut)
            *leftOut = std::move(left);
        QStringList paths;
        for (const ScanFileEntry& e : pages)
            paths.append(e.path);
        return pairImages(paths, sides);
    }

    // Duplex: every file in its place, the left-out ones too, then whole cards.
    struct Slot {
        QString name;
        const ScanFileEntry* page = nullptr;
        const LeftOutScanFile* left = nullptr;
    };
    std::vector<Slot> places;
    for (const ScanFileEntry& e : pages)
        places.push_back({e.name, &e, nullptr});
    for (const LeftOutScanFile& l : left)
        places.push_back({l.name, nullptr, &l});
    sortByScanOrder(places);

    std::vector<LeftOutScanFile> reported;
    QStringList kept;
    for (std::size_t i = 0; i < places.size(); i += 2) {
        const std::size_t end = std::min(i + 2, places.size());
        const bool whole = std::all_of(places.begin() + qsizetype(i), places.begin() + qsizetype(end),
                                       [](const Slot& s) { return s.page != nullptr; });
        for (std::size_t j = i; j < end; ++j) {
            if (whole)
                kept.append(places[j].page->path);
            else if (places[j].left)
                reported.push_back(*places[j].left);
            else
                reported.push_back({places[j].name, LeftOutReason::otherSideLeftOut, {}});
        }
    }
    if (leftOut)
        *leftOut = std::move(reported);
    return pairImages(kept, sides);
}

FreshScans partitionFreshScans(const QStringList& currentNames, const QSet<QString>& seen)
{
    FreshScans result;
    QSet<QString> kept;
    for (const QString& name : currentNames)
        if (seen.contains(name))
            kept.insert(name);
    result.updatedSeen = kept;
    for (const QString& name : currentNames) {
        if (kept.contains(name) || result.updatedSeen.contains(name))
            continue;
        result.fresh.append(name);
        result.updatedSeen.insert(name);
    }
    return result;
}

} // namespace vantry
