#pragma once

#include <QString>

#include <map>
#include <vector>

namespace vantry {

// Copies per target bin of a recount, and copies that have no bin yet.
namespace ScanReplaceTally {

struct Entry {
    QString itemId;
    int count = 0;
    bool operator==(const Entry&) const = default;
};

struct BinCount {
    QString bin;
    int count = 0;
    bool operator==(const BinCount&) const = default;
};

struct Result {
    std::vector<BinCount> bins; // sorted by name, code-point order
    int unassigned = 0;

    int assignedTotal() const;
    bool operator==(const Result&) const = default;
};

// Bin names are trimmed; a blank or missing bin counts as unassigned.
Result of(const std::vector<Entry>& entries, const std::map<QString, QString>& binByItem);

} // namespace ScanReplaceTally

} // namespace vantry
