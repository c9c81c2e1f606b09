#pragma once

#include "platform/DiskSpace.h"

#include <QStringList>

namespace vantry {

// A volume with as much free space as the test says; records the folders asked about.
class FakeDiskSpace final : public DiskSpace {
public:
    explicit FakeDiskSpace(qint64 bytes = 50'000'000'000) : bytes(bytes) {}

    qint64 freeBytes(const QString& folder) const override
    {
        asked << folder;
        return bytes;
    }

    qint64 bytes;
    mutable QStringList asked;
};

} // namespace vantry
