#pragma once

#include "platform/FileLayer.h"

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantry {

// The system's calls, failing where a test says, as a full or failing disk would: after
// `failWritesAfter(n)`, once n more bytes are written a write is cut short and the next
// fails with ENOSPC; `failFsync`, `failClose` and `failRename` fail those calls with EIO
// (close still closes); `failFolderSync` fails only the sync of a folder. Every call is traced
// (`calls`), so a test can see what was synced and in which order. It is the current layer for
// its lifetime.
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
    bool failFolderSync = false;

    // "open <path>", "open folder <path>", "fsync <path>", "fsync folder <path>",
    // "rename <from> <to>", in the order they were made.
    std::vector<std::string> calls() const;

    // How many calls failed on purpose.
    int failures() const { return failures_.load(); }

private:
    int fail(int error);
    void trace(std::string call);
    // The path an open descriptor was opened with, and whether it is a folder.
    std::pair<std::string, bool> opened(int fd) const;

    FileLayer* previous_;
    std::optional<size_t> writeBudget_;
    std::atomic<size_t> written_{0};
    std::atomic<int> failures_{0};
    mutable std::mutex mutex_; // writer threads call in while a test reads
    std::vector<std::string> calls_;
    std::map<int, std::pair<std::string, bool>> open_;
};

} // namespace vantry
