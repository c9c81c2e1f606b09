#include "platform/FileMove.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

namespace vantry {

bool moveWithoutReplacing(const QString& from, const QString& to, QString* error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    int failure = errno;
    // Some file systems lack the flag; a hard link also refuses an existing name.
    if (failure == EINVAL || failure == ENOSYS || failure == EOPNOTSUPP) {
        if (::link(source.constData(), target.constData()) == 0) {
            if (::unlink(source.constData()) == 0)
                return true;
            failure = errno;
            ::unlink(target.constData());
        } else {
            failure = errno;
        }
    }
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(failure));
    return false;
}

bool isRelativeLink(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(encoded.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    char target[2];
    const ssize_t length = ::readlink(encoded.constData(), target, sizeof target);
    return length > 0 && target[0] != '/';
}

int copyThenRemove(const QString& fromPath, const QString& toPath)
{
    const QByteArray from = QFile::encodeName(fromPath);
    const QByteArray to = QFile::encodeName(toPath);
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    int error = 0;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                error = errno;
                break;
            }
            done += put;
        }
        if (error)
            break;
    }
    if (!error) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        if (::fsync(out) != 0)
            error = errno;
    }
    if (::close(out) != 0 && !error)
        error = errno;
    ::close(in);
    if (!error && ::unlink(from.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(to.constData());
    return error;
}

} // namespace vantry
