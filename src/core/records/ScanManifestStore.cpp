#include "core/records/ScanManifestStore.h"

#include "core/support/Json.h"
#include "platform/WholeFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <map>

namespace vantry {

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason)
{
    throw ScanManifestError(QStringLiteral("%1: %2").arg(path, reason).toStdString());
}

QString entryKey(const ScanManifestEntry& entry)
{
    return entry.frontPath.isEmpty() ? entry.frontFilename : entry.frontPath;
}

} // namespace

QString ScanManifestStore::isoString(const QDateTime& date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::vector<ScanManifestEntry> ScanManifestStore::mergedEntries(const std::vector<ScanManifestEntry>& existing,
                                                                const std::vector<ScanManifestEntry>& added)
{
    std::vector<ScanManifestEntry> merged;
    QHash<QString, size_t> position;
    auto put = [&](const ScanManifestEntry& entry) {
        const QString key = entryKey(entry);
        const auto it = position.constFind(key);
        if (it == position.constEnd()) {
            position.insert(key, merged.size());
            merged.push_back(entry);
        } else {
            merged[*it] = entry;
        }
    };
    for (const ScanManifestEntry& e : existing)
        put(e);
    for (const ScanManifestEntry& e : added)
        put(e);
    return merged;
}

std::optional<ScanManifest> ScanManifestStore::load(const QString& manifestPath)
{
    QFile file(manifestPath);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        fail(manifestPath, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(manifestPath, file.errorString());
    try {
        return ScanManifest::decode(bytes);
    } catch (const json::Error& e) {
        fail(manifestPath, QString::fromStdString(e.what()));
    }
}

void ScanManifestStore::merge(const std::vector<ScanManifestEntry>& entries, const QString& manifestPath,
                              const QString& updatedAt)
{
    const std::optional<ScanManifest> existing = load(manifestPath);
    ScanManifest manifest;
    manifest.schemaVersion = 1;
    manifest.updatedAt = updatedAt;
    manifest.entries = mergedEntries(existing ? existing->entries : std::vector<ScanManifestEntry>{}, entries);

    QByteArray bytes;
    try {
        bytes = manifest.encoded();
    } catch (const json::Error& e) {
        fail(manifestPath, QString::fromStdString(e.what()));
    }
    QString error;
    if (!writeWholeFile(manifestPath, bytes, &error))
        throw ScanManifestError(error.toStdString()); // names the file itself
}

std::vector<QString> ScanManifestStore::write(const std::vector<ScanManifestEntry>& entries, const QDateTime& now)
{
    // Manifest path -> its entries in input order; the map walks them in path order.
    std::map<QString, std::vector<ScanManifestEntry>> groups;
    std::optional<ScanManifestError> firstError;
    for (const ScanManifestEntry& entry : entries) {
        if (entry.frontPath.isEmpty()) {
            // No folder to put it in; the working directory would be a wrong guess.
            if (!firstError)
                firstError.emplace(QStringLiteral("%1: the entry has no front path, so it has no folder")
                                       .arg(entry.frontFilename)
                                       .toStdString());
            continue;
        }
        groups[QDir(QFileInfo(entry.frontPath).absolutePath()).filePath(ScanManifest::filename)].push_back(entry);
    }

    const QString updatedAt = isoString(now);
    std::vector<QString> written;
    std::optional<ScanManifestError> groupError;
    for (const auto& [manifestPath, group] : groups) {
        try {
            merge(group, manifestPath, updatedAt);
            written.push_back(manifestPath);
        } catch (const ScanManifestError& e) {
            if (!groupError)
                groupError = e;
        }
    }
    if (groupError)
        throw *groupError;
    if (firstError)
        throw *firstError;
    return written; // already in path order
}

} // namespace vantry
