#include "app/recount/RecountCorrection.h"

#include "core/recognition/Disposition.h"

#include <algorithm>

namespace vantry::RecountCorrection {

std::vector<CaptureViewModel::Row> rowsMatching(const ScanItemPayload& item,
                                                const std::vector<CaptureViewModel::Row>& rows)
{
    std::vector<CaptureViewModel::Row> out;
    for (const auto& row : rows)
        if (row.chosen && scanItemId(*row.chosen) == item.itemId)
            out.push_back(row);
    return out;
}

QSet<QUuid> rowIdsMatching(const ScanItemPayload& item, const std::vector<CaptureViewModel::Row>& rows)
{
    QSet<QUuid> ids;
    for (const auto& row : rowsMatching(item, rows))
        ids.insert(row.id);
    return ids;
}

std::vector<CaptureViewModel::Row> correctionRows(const QSet<QUuid>& ids, const std::vector<CaptureViewModel::Row>& rows)
{
    std::vector<CaptureViewModel::Row> out;
    for (const auto& row : rows)
        if (ids.contains(row.id))
            out.push_back(row);
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.card.index < b.card.index; });
    return out;
}

} // namespace vantry::RecountCorrection
