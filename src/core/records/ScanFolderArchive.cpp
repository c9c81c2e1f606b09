#include "core/records/ScanFolderArchive.h"

#include "core/intake/ScanFileListing.h"
#include "platform/FileMove.h"

#include <QDir>
#include <QFileInfo>

namespace vantry {

int archiveImages(const QString& folder, const QString& timestamp)
{
    if (!QFileInfo(folder).isDir())
        return 0;
    QStringList images;
    try {
        images = listImages(folder);
    } catch (const ScanFolderError&) {
        return 0;
    }
    if (images.isEmpty())
        return 0;
    const QString archive = QDir(folder).filePath(QStringLiteral("Archived-") + timestamp);
    if (!QDir().mkpath(archive) || !QFileInfo(archive).isDir())
        return 0;
    int moved = 0;
    for (const QString& image : images) {
        const QString target = QDir(archive).filePath(QFileInfo(image).fileName());
        // A relative link would point at nothing from the archive folder: its file is copied
        // there instead and the link removed.
        if (isRelativeLink(image) ? copyThenRemove(image, target) == 0 : moveWithoutReplacing(image, target))
            ++moved;
    }
    return moved;
}

} // namespace vantry
