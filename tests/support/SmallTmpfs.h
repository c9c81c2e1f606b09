#pragma once

#include <QString>

namespace vantry::test {

// A 256 KiB tmpfs mounted on `folder` (created when missing) for the life of the object, to
// see what a really full disk does. Mounting needs root: when it fails, `mounted()` is false
// and `reason()` says why, for the skip message.
class SmallTmpfs {
public:
    explicit SmallTmpfs(const QString& folder);
    ~SmallTmpfs();

    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const QString& reason() const { return reason_; }

    // Takes every free byte with one file; `release()` removes it again.
    void fill();
    void release();

private:
    QString folder_;
    bool mounted_ = false;
    QString reason_;
};

} // namespace vantry::test
