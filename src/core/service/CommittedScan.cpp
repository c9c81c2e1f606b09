#include "core/service/CommittedScan.h"

namespace vantry {

CommittedScan::CommittedScan(const std::vector<ConfirmedRow>& confirmedRows)
{
    for (const ConfirmedRow& row : confirmedRows) {
        rowIDs.insert(row.id);
        if (row.contentHash)
            contentHashes.push_back(*row.contentHash);
        if (row.scanIdentityHash && !(row.contentHash && *row.contentHash == *row.scanIdentityHash))
            contentHashes.push_back(*row.scanIdentityHash);
    }
}

} // namespace vantry
