#pragma once

#include <QString>

namespace vantry {

// Keeps the application to one process per data folder: an exclusive flock on a file in the
// folder, held while this object lives. The kernel drops it when the process ends in any way
// (a crash, kill -9), so no stale lock outlives its holder, and unlike a process-id file it
// cannot be mistaken for another process that got the same id. Processes started by the holder
// (the browser, a helper) do not inherit it.
class DataFolderLock final {
public:
    enum class State {
        held,          // this process is the one that uses the folder
        heldElsewhere, // another process holds it
        unavailable,   // the lock file cannot be opened or locked (see error())
    };

    // Tries once, without waiting. The folder is not created here.
    explicit DataFolderLock(const QString& folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    static QString fileName() { return QStringLiteral("instance.lock"); }

    State state() const { return state_; }
    QString path() const { return path_; }
    // Why the lock is unavailable; empty otherwise.
    QString error() const { return error_; }

private:
    QString path_;
    State state_ = State::unavailable;
    QString error_;
    int fd_ = -1;
};

} // namespace vantry
