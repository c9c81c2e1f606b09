#include "platform/ScanPageFile.h"

#include <QDir>
#include <QImageWriter>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace vantry {

bool renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses an existing target.
    if (::link(src.constData(), dst.constData()) != 0)
        return false;
    ::unlink(src.constData());
    return true;
}

ScanPageFile::ScanPageFile(QString directory, QString documentName)
    : directory_(std::move(directory)), documentName_(std::move(documentName))
{
}

QString ScanPageFile::pageName(const QString& documentName, int number)
{
    return documentName + u'_' + QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0')) + QStringLiteral(".png");
}

ScanPageFile::Written ScanPageFile::write(const QImage& source, double dpi)
{
    if (!QDir().mkpath(directory_))
        return {{}, QStringLiteral("cannot create folder %1").arg(directory_)};
    // Hidden and without an image extension, so folder listings never take a half-written page.
    QTemporaryFile temp(QDir(directory_).filePath(QStringLiteral(".%1-XXXXXX.part").arg(documentName_)));
    if (!temp.open())
        return {{}, QStringLiteral("cannot create a file in %1: %2").arg(directory_, temp.errorString())};
    QImage image = source;
    if (dpi > 0) {
        const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
    }
    QImageWriter writer(&temp, "png");
    if (!writer.write(image))
        return {{}, QStringLiteral("cannot write page: %1").arg(writer.errorString())};
    if (!temp.flush() || ::fsync(temp.handle()) != 0)
        return {{}, QStringLiteral("cannot write page: %1").arg(temp.errorString())};
    temp.close();
    for (;;) {
        const QString target = QDir(directory_).filePath(pageName(documentName_, nextNumber_++));
        if (renameNoReplace(temp.fileName(), target)) {
            temp.setAutoRemove(false);
            return {target, {}};
        }
        if (errno != EEXIST)
            return {{}, QStringLiteral("cannot move page into place: %1").arg(QString::fromLocal8Bit(strerror(errno)))};
    }
}

} // namespace vantry
