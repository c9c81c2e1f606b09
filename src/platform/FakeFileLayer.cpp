#include "platform/FakeFileLayer.h"

#include <algorithm>
#include <cerrno>

namespace vantry {

FakeFileLayer::FakeFileLayer() : previous_(FileLayer::install(this)) {}

FakeFileLayer::~FakeFileLayer() { FileLayer::install(previous_); }

int FakeFileLayer::fail(int error)
{
    ++failures_;
    errno = error;
    return -1;
}

void FakeFileLayer::failWritesAfter(size_t bytes)
{
    written_ = 0;
    writeBudget_ = bytes;
}

int FakeFileLayer::open(const char* path, int flags, mode_t mode) { return system().open(path, flags, mode); }

ssize_t FakeFileLayer::write(int fd, const void* data, size_t size)
{
    if (writeBudget_) {
        const size_t done = written_.load();
        if (done >= *writeBudget_)
            return fail(ENOSPC);
        size = std::min(size, *writeBudget_ - done);
    }
    const ssize_t put = system().write(fd, data, size);
    if (put > 0)
        written_ += size_t(put);
    return put;
}

int FakeFileLayer::fchmod(int fd, mode_t mode) { return system().fchmod(fd, mode); }

int FakeFileLayer::fsync(int fd) { return failFsync ? fail(EIO) : system().fsync(fd); }

int FakeFileLayer::close(int fd)
{
    const int result = system().close(fd);
    return failClose ? fail(EIO) : result;
}

int FakeFileLayer::rename(const char* from, const char* to)
{
    return failRename ? fail(EIO) : system().rename(from, to);
}

int FakeFileLayer::unlink(const char* path) { return system().unlink(path); }

} // namespace vantry
