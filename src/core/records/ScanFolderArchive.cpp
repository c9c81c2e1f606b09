#include "core/records/ScanFolderArchive.h"

#include "core/intake/ScanFileListing.h"
#include "platform/FileMove.h"

#include <QDir>
#include <QFileInfo>

namespace vantry {

int archiveImages(const QString& folder, const QString& timestamp)
{
    return int(archiveImageMoves(folder, timestamp).size());
}

std::vector<ArchivedImage> archiveImageMoves(const QString& folder, const QString& timestamp)
{
    std::vector<ArchivedImage> moved;
    if (!QFileInfo(folder).isDir())
        return moved;
    QStringList images;
    try {
        images = listImages(folder);
    } catch (const ScanFolderError&) {
        return moved;
    }
    if (images.isEmpty())
        return moved;
    const QString archive = QDir(folder).filePath(QStringLiteral("Archived-") + timestamp);
    if (!QDir().mkpath(archive) || !QFileInfo(archive).isDir())
        return moved;
    for (const QString& image : images) {
        const QString target = QDir(archive).filePath(QFileInfo(image).fileName());
        // A relative link would point at nothing from the archive folder: its file is copied
        // there instead and the link removed.
        if (isRelativeLink(image) ? copyThenRemove(image, target) == 0 : moveWithoutReplacing(image, target))
            moved.push_back({image, target});
    }
    return moved;
}

} // namespace vantry
