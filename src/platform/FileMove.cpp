#include "platform/FileMove.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace vantry
