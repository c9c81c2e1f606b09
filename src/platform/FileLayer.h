#pragma once

#include <sys/types.h>

namespace vantry {

// The file-system calls a whole-file write makes, as a seam: tests put in a layer that fails
// the way a full or broken disk does. Each behaves like the system call of its name (a result
// of -1 sets errno).
class FileLayer {
public:
    virtual ~FileLayer() = default;

    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual ssize_t write(int fd, const void* data, size_t size) = 0;
    virtual int fchmod(int fd, mode_t mode) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const char* from, const char* to) = 0;
    virtual int unlink(const char* path) = 0;

    // The layer in use, held for a sequence of calls (a whole write): a layer being replaced
    // is not let go while a sequence still runs on it, since a test destroys its layer at once.
    class Use {
    public:
        Use();
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        FileLayer& operator*() const { return *layer_; }

    private:
        FileLayer* layer_;
    };

    // The system's own calls.
    static FileLayer& system();
    // Makes `layer` current (none puts the system's back) once no `Use` holds the one it
    // replaces; returns that one.
    static FileLayer* install(FileLayer* layer);
};

} // namespace vantry
