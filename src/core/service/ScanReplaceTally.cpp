#include "core/service/ScanReplaceTally.h"

#include <QList>

#include <algorithm>

namespace vantry::ScanReplaceTally {

int Result::assignedTotal() const
{
    int total = 0;
    for (const BinCount& b : bins)
        total += b.count;
    return total;
}

Result of(const std::vector<Entry>& entries, const std::map<QString, QString>& binByItem)
{
    // Keyed by the canonically composed name, so equivalent spellings are one bin.
    std::map<QString, int> counts;
    Result result;
    for (const Entry& e : entries) {
        const auto it = binByItem.find(e.itemId);
        const QString bin = it == binByItem.end() ? QString() : it->second.trimmed();
        if (bin.isEmpty()) {
            result.unassigned += e.count;
            continue;
        }
        counts[bin.normalized(QString::NormalizationForm_C)] += e.count;
    }
    for (const auto& [bin, count] : counts)
        result.bins.push_back({bin, count});
    // Plain code-point order (not UTF-16 order, not numeric, not case-folded).
    std::sort(result.bins.begin(), result.bins.end(), [](const BinCount& a, const BinCount& b) {
        return a.bin.toUcs4() < b.bin.toUcs4();
    });
    return result;
}

} // namespace vantry::ScanReplaceTally
