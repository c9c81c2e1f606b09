#include "core/intake/ScanRouting.h"

#include "platform/FileMove.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace vantry {

namespace {

QString errorText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

bool exists(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The first free name of "name", "stem (2).ext", "stem (3).ext", ... in `folder`.
QString uniqueTarget(const QString& folder, const QString& name)
{
    const QString first = folder + QLatin1Char('/') + name;
    if (!exists(first))
        return first;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0;
    const QString stem = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot + 1) : QString();
    for (quint64 n = 2;; ++n) {
        QString candidate = folder + QLatin1Char('/') + stem + QStringLiteral(" (") + QString::number(n) +
                            (hasExtension ? QStringLiteral(").") + extension : QStringLiteral(")"));
        if (!exists(candidate))
            return candidate;
    }
}

bool onOneDevice(const QString& file, const QString& folder)
{
    struct stat a {}, b {};
    return ::stat(QFile::encodeName(file).constData(), &a) == 0 &&
           ::stat(QFile::encodeName(folder).constData(), &b) == 0 && a.st_dev == b.st_dev;
}

// Moves without ever replacing an existing target: 0, EEXIST when the name was taken
// meanwhile, or another errno value. Across file systems the file is copied, then removed;
// so is the file behind a relative link, which the page would otherwise lose.
int moveNoReplace(const QString& fromPath, const QString& toPath, const QString& folder, QString& reason)
{
    if (isRelativeLink(fromPath)) {
        const int error = copyThenRemove(fromPath, toPath);
        if (error != 0)
            reason = errorText(error);
        return error;
    }
    if (moveWithoutReplacing(fromPath, toPath, &reason))
        return 0;
    if (exists(toPath))
        return EEXIST;
    if (QFile::exists(fromPath) && !onOneDevice(fromPath, folder)) {
        const int error = copyThenRemove(fromPath, toPath);
        if (error != 0)
            reason = errorText(error);
        return error;
    }
    return EIO;
}

QString standardised(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

RouteError::RouteError(const QString& description, QStringList paths)
    : std::runtime_error(description.toStdString()), paths_(std::move(paths))
{
}

bool isSameFolder(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath()) ||
           standardised(a) == standardised(b);
}

QStringList routeIntoFolder(const QStringList& paths, const QString& destination)
{
    if (!QDir().mkpath(destination) || !QFileInfo(destination).isDir())
        throw RouteError(QStringLiteral("could not create folder ") + destination, paths);
    const QString folder = QDir::cleanPath(QFileInfo(destination).absoluteFilePath());
    QStringList result = paths;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const QFileInfo info(path);
        if (isSameFolder(info.absolutePath(), folder))
            continue;
        int error = EEXIST;
        QString target, reason;
        // A name taken between choosing and moving: choose again rather than replace.
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            target = uniqueTarget(folder, info.fileName());
            error = moveNoReplace(path, target, folder, reason);
        }
        if (error != 0)
            throw RouteError(QStringLiteral("could not move ") + path + QStringLiteral(" to ") + target +
                                 QStringLiteral(": ") + (reason.isEmpty() ? errorText(error) : reason),
                             result);
        result[i] = target;
    }
    return result;
}

} // namespace vantry
