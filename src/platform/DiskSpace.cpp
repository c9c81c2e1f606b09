#include "platform/DiskSpace.h"

#include <QStorageInfo>

namespace vantry {

namespace {

class StorageInfoDiskSpace final : public DiskSpace {
public:
    qint64 freeBytes(const QString& folder) const override
    {
        const QStorageInfo volume(folder);
        if (!volume.isValid() || !volume.isReady())
            return 0;
        return std::max<qint64>(volume.bytesAvailable(), 0);
    }
};

} // namespace

std::shared_ptr<DiskSpace> DiskSpace::system()
{
    static const auto shared = std::make_shared<StorageInfoDiskSpace>();
    return shared;
}

} // namespace vantry
