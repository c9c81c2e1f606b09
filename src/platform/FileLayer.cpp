#include "platform/FileLayer.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

namespace {

class SystemFileLayer final : public FileLayer {
public:
    int open(const char* path, int flags, mode_t mode) override { return ::open(path, flags, mode); }
    ssize_t write(int fd, const void* data, size_t size) override { return ::write(fd, data, size); }
    int fchmod(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int fsync(int fd) override { return ::fsync(fd); }
    int close(int fd) override { return ::close(fd); }
    int rename(const char* from, const char* to) override { return ::rename(from, to); }
    int unlink(const char* path) override { return ::unlink(path); }
};

// Writer threads read it while a test swaps it between writes.
std::atomic<FileLayer*> installed{nullptr};

} // namespace

FileLayer& FileLayer::system()
{
    static SystemFileLayer layer;
    return layer;
}

FileLayer& FileLayer::current()
{
    FileLayer* layer = installed.load();
    return layer ? *layer : system();
}

FileLayer* FileLayer::install(FileLayer* layer) { return installed.exchange(layer); }

} // namespace vantry
