#pragma once

#include <QString>

#include <memory>

namespace vantry {

// Free space of the volume a folder lives on. The application asks the file system; tests
// give a fake.
class DiskSpace {
public:
    virtual ~DiskSpace() = default;
    // Bytes available to this user on the folder's volume; 0 when that cannot be read.
    virtual qint64 freeBytes(const QString& folder) const = 0;

    // The file system's answer (QStorageInfo).
    static std::shared_ptr<DiskSpace> system();
};

} // namespace vantry
