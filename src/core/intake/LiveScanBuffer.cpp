#include "core/intake/LiveScanBuffer.h"

namespace vantry {

std::vector<QStringList> LiveScanBuffer::push(const QString& name)
{
    if (seen_.contains(name))
        return {};
    seen_.insert(name);
    pending_.append(name);
    std::vector<QStringList> groups;
    while (pending_.size() >= pagesPerCard_) {
        groups.push_back(pending_.mid(0, pagesPerCard_));
        pending_.remove(0, pagesPerCard_);
    }
    return groups;
}

std::vector<QStringList> LiveScanBuffer::flush()
{
    if (pending_.isEmpty())
        return {};
    std::vector<QStringList> groups{pending_};
    pending_.clear();
    return groups;
}

} // namespace vantry
