#include "platform/FakeFileLayer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

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

void FakeFileLayer::trace(std::string call)
{
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> FakeFileLayer::calls() const
{
    const std::lock_guard lock(mutex_);
    return calls_;
}

std::pair<std::string, bool> FakeFileLayer::opened(int fd) const
{
    const std::lock_guard lock(mutex_);
    const auto it = open_.find(fd);
    return it == open_.end() ? std::pair<std::string, bool>{"?", false} : it->second;
}

int FakeFileLayer::open(const char* path, int flags, mode_t mode)
{
    const bool folder = (flags & O_DIRECTORY) != 0;
    trace((folder ? "open folder " : "open ") + std::string(path));
    const int fd = system().open(path, flags, mode);
    if (fd >= 0) {
        const std::lock_guard lock(mutex_);
        open_[fd] = {path, folder};
    }
    return fd;
}

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

int FakeFileLayer::fsync(int fd)
{
    const auto [path, folder] = opened(fd);
    trace((folder ? "fsync folder " : "fsync ") + path);
    return failFsync || (folder && failFolderSync) ? fail(EIO) : system().fsync(fd);
}

int FakeFileLayer::close(int fd)
{
    {
        const std::lock_guard lock(mutex_);
        open_.erase(fd);
    }
    const int result = system().close(fd);
    return failClose ? fail(EIO) : result;
}

int FakeFileLayer::rename(const char* from, const char* to)
{
    trace("rename " + std::string(from) + " " + std::string(to));
    return failRename ? fail(EIO) : system().rename(from, to);
}

int FakeFileLayer::unlink(const char* path) { return system().unlink(path); }

} // namespace vantry
