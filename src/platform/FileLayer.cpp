#include "platform/FileLayer.h"

#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>
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

// Writer threads take it while a test swaps it between writes.
struct Installed {
    std::mutex mutex;
    std::condition_variable released;
    FileLayer* layer = nullptr; // none: the system's
    std::map<FileLayer*, int> uses;
};

Installed& installed()
{
    static Installed* state = new Installed; // never destroyed: writers may outlive statics
    return *state;
}

} // namespace

FileLayer& FileLayer::system()
{
    static SystemFileLayer layer;
    return layer;
}

FileLayer::Use::Use()
{
    Installed& state = installed();
    const std::lock_guard lock(state.mutex);
    layer_ = state.layer ? state.layer : &system();
    ++state.uses[layer_];
}

FileLayer::Use::~Use()
{
    Installed& state = installed();
    {
        const std::lock_guard lock(state.mutex);
        if (--state.uses[layer_] == 0)
            state.uses.erase(layer_);
    }
    state.released.notify_all();
}

FileLayer* FileLayer::install(FileLayer* layer)
{
    Installed& state = installed();
    std::unique_lock lock(state.mutex);
    FileLayer* previous = std::exchange(state.layer, layer);
    FileLayer* replaced = previous ? previous : &system();
    state.released.wait(lock, [&] { return !state.uses.count(replaced); });
    return previous;
}

} // namespace vantry
