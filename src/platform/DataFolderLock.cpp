#include "platform/DataFolderLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantry {

DataFolderLock::DataFolderLock(const QString& folder) : path_(folder + QLatin1Char('/') + fileName())
{
    const QByteArray native = QFile::encodeName(path_);
    // Close-on-exec: a child that inherited the descriptor would keep the lock after this process ends.
    fd_ = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int result;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0) {
        state_ = State::held;
        return;
    }
    const int reason = errno;
    ::close(fd_);
    fd_ = -1;
    if (reason == EWOULDBLOCK) {
        state_ = State::heldElsewhere;
        return;
    }
    error_ = QString::fromLocal8Bit(std::strerror(reason));
}

DataFolderLock::~DataFolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace vantry
