#include "platform/WholeFileWrite.h"

#include "platform/FileLayer.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace vantry {

namespace {

// Where the bytes belong: the file a chain of links ends at.
QString finalTarget(const QString& path)
{
    QFileInfo info(path);
    int depth = 128;
    while (--depth > 0 && info.isSymLink())
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.filePath() : path;
}

bool failed(QString* error, const QString& what, const QString& path, int errorNumber)
{
    if (error)
        *error = what + QLatin1Char(' ') + path + QStringLiteral(": ") +
                 QString::fromLocal8Bit(std::strerror(errorNumber));
    return false;
}

// A new file beside `target` under a hidden name nobody else uses; -1 with errno set.
int createTemporary(FileLayer& files, const QString& target, mode_t mode, QByteArray* name)
{
    const QFileInfo info(target);
    const QString stem = info.path() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = QFile::encodeName(stem + QString::number(QRandomGenerator::global()->generate(), 36));
        const int fd = files.open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(FileLayer& files, int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = files.write(fd, data, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        data += put;
        left -= put;
    }
    return true;
}

bool syncFolder(FileLayer& files, const QString& folder)
{
    const int fd = files.open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // As for the file: a file system that cannot sync a folder says so with EINVAL.
    const bool synced = files.fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const int syncError = errno;
    files.close(fd);
    errno = syncError;
    return synced;
}

} // namespace

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error, std::optional<mode_t> mode)
{
    const FileLayer::Use use;
    FileLayer& files = *use;
    const QString target = finalTarget(path);

    std::optional<mode_t> keep = mode;
    struct stat existing {};
    if (!keep && ::stat(QFile::encodeName(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        keep = existing.st_mode & 07777;

    QByteArray temporary;
    // Owner-only until the content is complete; a new file without a mode gets the default.
    const int fd = createTemporary(files, target, keep ? mode_t(0600) : mode_t(0666), &temporary);
    if (fd < 0)
        return failed(error, QStringLiteral("cannot create a file beside"), target, errno);

    int failure = 0;
    QString step;
    auto check = [&](bool ok, const char* what) {
        if (!ok && failure == 0) {
            failure = errno;
            step = QString::fromLatin1(what);
        }
        return ok && failure == 0;
    };
    // A file system that cannot sync says so with EINVAL; its write errors still show at close.
    auto synced = [&] { return files.fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP; };
    if (check(!keep || files.fchmod(fd, *keep) == 0, "cannot set the permissions of") &&
        check(writeAll(files, fd, bytes), "cannot write"))
        check(synced(), "cannot write");
    check(files.close(fd) == 0, "cannot write");
    if (failure == 0)
        check(files.rename(temporary.constData(), QFile::encodeName(target).constData()) == 0, "cannot replace");
    if (failure != 0) {
        files.unlink(temporary.constData());
        return failed(error, step, target, failure);
    }
    // The rename lives in the folder: until the folder is synced, a power cut can bring back the
    // old file, so the write is done only then.
    const QString folder = QFileInfo(target).path();
    if (!syncFolder(files, folder))
        return failed(error, QStringLiteral("cannot sync the folder of"), target, errno);
    return true;
}

} // namespace vantry
