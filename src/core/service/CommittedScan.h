#pragma once

#include <QString>
#include <QUuid>

#include <optional>
#include <set>
#include <vector>

namespace vantry {

// The batch rows an import or recount committed, and the ledger keys of their scans.
struct CommittedScan {
    struct ConfirmedRow {
        QUuid id;
        std::optional<QString> contentHash;
        std::optional<QString> scanIdentityHash;
    };

    std::set<QUuid> rowIDs;
    // Per row in order: its content hash, then its scan identity hash when it differs.
    std::vector<QString> contentHashes;

    CommittedScan() = default;
    explicit CommittedScan(const std::vector<ConfirmedRow>& confirmedRows);

    bool includes(const QUuid& rowId) const { return rowIDs.count(rowId) > 0; }
    bool operator==(const CommittedScan&) const = default;
};

} // namespace vantry
