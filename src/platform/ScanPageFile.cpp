#include "platform/ScanPageFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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

namespace {

QImage withDpi(const QImage& source, double dpi)
{
    QImage image = source;
    if (dpi > 0) {
        const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
    }
    return image;
}

// Writes the page into an open temporary file and makes it durable.
QString writeInto(QTemporaryFile& temp, const QImage& image)
{
    QImageWriter writer(&temp, "png");
    if (!writer.write(image))
        return QStringLiteral("cannot write page: %1").arg(writer.errorString());
    if (!temp.flush() || ::fsync(temp.handle()) != 0)
        return QStringLiteral("cannot write page: %1").arg(temp.errorString());
    temp.close();
    return {};
}

const QString stagedSuffix = QStringLiteral(".part");

// Hidden and without an image extension, so folder listings never take a half-written page.
QString stagedTemplate(const QString& directory, const QString& finalName)
{
    return QDir(directory).filePath(u'.' + finalName + QStringLiteral(".XXXXXX") + stagedSuffix);
}

// The names to try for a page whose name was taken: "card_0007.png" goes on counting,
// any other name gets " 2", " 3"... before its extension.
QString alternativeName(const QString& name, int attempt)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*_)(\\d+)(\\.[^.]*)$"));
    if (const auto match = numbered.match(name); match.hasMatch()) {
        const QString digits = match.captured(2);
        return match.captured(1) + QStringLiteral("%1").arg(digits.toLongLong() + attempt, digits.size(), 10, QLatin1Char('0')) +
               match.captured(3);
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    return stem + u' ' + QString::number(attempt + 1) + extension;
}

} // namespace

ScanPageFile::Written ScanPageFile::write(const QImage& source, double dpi)
{
    if (!QDir().mkpath(directory_))
        return {{}, QStringLiteral("cannot create folder %1").arg(directory_)};
    QTemporaryFile temp(QDir(directory_).filePath(QStringLiteral(".%1-XXXXXX.part").arg(documentName_)));
    if (!temp.open())
        return {{}, QStringLiteral("cannot create a file in %1: %2").arg(directory_, temp.errorString())};
    if (QString error = writeInto(temp, withDpi(source, dpi)); !error.isEmpty())
        return {{}, error};
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

ScanPageFile::Written ScanPageFile::stage(const QImage& source, double dpi)
{
    if (!QDir().mkpath(directory_))
        return {{}, QStringLiteral("cannot create folder %1").arg(directory_)};
    // The next name not taken now; `place` copes with one taken later.
    QString finalName;
    do
        finalName = pageName(documentName_, nextNumber_++);
    while (QFileInfo::exists(QDir(directory_).filePath(finalName)));
    QTemporaryFile temp(stagedTemplate(directory_, finalName));
    if (!temp.open())
        return {{}, QStringLiteral("cannot create a file in %1: %2").arg(directory_, temp.errorString())};
    if (QString error = writeInto(temp, withDpi(source, dpi)); !error.isEmpty())
        return {{}, error};
    temp.setAutoRemove(false);
    return {temp.fileName(), {}};
}

ScanPageFile::Written ScanPageFile::stageBytes(const QString& directory, const QString& finalName, const QByteArray& bytes)
{
    if (!QDir().mkpath(directory))
        return {{}, QStringLiteral("cannot create folder %1").arg(directory)};
    QTemporaryFile temp(stagedTemplate(directory, finalName));
    if (!temp.open())
        return {{}, QStringLiteral("cannot create a file in %1: %2").arg(directory, temp.errorString())};
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        return {{}, QStringLiteral("cannot write page: %1").arg(temp.errorString())};
    temp.close();
    temp.setAutoRemove(false);
    return {temp.fileName(), {}};
}

QString ScanPageFile::stagedFinalName(const QString& stagedPath)
{
    QString name = QFileInfo(stagedPath).fileName();
    if (!name.startsWith(u'.') || !name.endsWith(stagedSuffix))
        return {};
    name.chop(stagedSuffix.size());
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 1 || name.size() - dot - 1 != 6)
        return {};
    return name.mid(1, dot - 1);
}

ScanPageFile::Written ScanPageFile::place(const QString& stagedPath)
{
    const QString finalName = stagedFinalName(stagedPath);
    if (finalName.isEmpty())
        return {{}, QStringLiteral("not a staged page: %1").arg(stagedPath)};
    const QDir directory = QFileInfo(stagedPath).dir();
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const QString target = directory.filePath(attempt == 0 ? finalName : alternativeName(finalName, attempt));
        if (renameNoReplace(stagedPath, target))
            return {target, {}};
        if (errno != EEXIST)
            return {{}, QStringLiteral("cannot move page into place: %1").arg(QString::fromLocal8Bit(strerror(errno)))};
    }
    return {{}, QStringLiteral("cannot move page into place: no free name for %1").arg(finalName)};
}

} // namespace vantry
