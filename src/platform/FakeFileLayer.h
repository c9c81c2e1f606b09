#pragma once

#include "platform/FileLayer.h"

#include <atomic>
#include <optional>

namespace vantry {

// The system's calls, failing where a test says, as a full or failing disk would: after
// `failWritesAfter(n)`, once n more bytes are written a write is cut short and the next
// fails with ENOSPC; `failFsync`, `failClose` and `failRename` fail those calls with EIO
// (close still closes). It is the current layer for its lifetime.
class FakeFileLayer final : public FileLayer {
public:
    FakeFileLayer();
    ~FakeFileLayer() override;
    FakeFileLayer(const FakeFileLayer&) = delete;
    FakeFileLayer& operator=(const FakeFileLayer&) = delete;

    int open(const char* path, int flags, mode_t mode) override;
    ssize_t write(int fd, const void* data, size_t size) override;
    int fchmod(int fd, mode_t mode) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int rename(const char* from, const char* to) override;
    int unlink(const char* path) override;

    void failWritesAfter(size_t bytes);
    bool failFsync = false;
    bool failClose = false;
    bool failRename = false;

    // How many calls failed on purpose.
    int failures() const { return failures_.load(); }

private:
    int fail(int error);

    FileLayer* previous_;
    std::optional<size_t> writeBudget_;
    std::atomic<size_t> written_{0};
    std::atomic<int> failures_{0};
};

} // namespace vantry
