#include "support/SmallTmpfs.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace vantry::test {

namespace {

QString fillerPath(const QString& folder) { return folder + QStringLiteral("/.filler"); }

} // namespace

SmallTmpfs::SmallTmpfs(const QString& folder) : folder_(folder)
{
    QDir().mkpath(folder);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k,mode=0755") == 0)
        mounted_ = true;
    else
        reason_ = QStringLiteral("cannot mount a small tmpfs here (needs root): ") +
                  QString::fromLocal8Bit(std::strerror(errno));
}

SmallTmpfs::~SmallTmpfs()
{
    // Detached, so a descriptor someone still holds cannot keep it mounted.
    if (mounted_)
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

void SmallTmpfs::fill()
{
    const int fd = ::open(QFile::encodeName(fillerPath(folder_)).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                          0600);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    static const char block[4096] = {};
    // Whole pages first, then single bytes for what is left of the last one.
    for (const size_t size : {sizeof block, size_t(1)}) {
        while (::write(fd, block, size) > 0) {
        }
    }
    EXPECT_EQ(errno, ENOSPC);
    ::close(fd);
}

void SmallTmpfs::release() { QFile::remove(fillerPath(folder_)); }

} // namespace vantry::test
