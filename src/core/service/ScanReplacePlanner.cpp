#include "core/service/ScanReplacePlanner.h"

#include <QSet>

namespace vantry::ScanReplacePlanner {

std::vector<QString> parseReplaceBins(const QString& text)
{
    std::vector<QString> out;
    QSet<QString> kept;
    QString piece;
    auto flush = [&] {
        if (!piece.isEmpty() && !kept.contains(piece)) {
            kept.insert(piece);
            out.push_back(piece);
        }
        piece.clear();
    };
    for (QChar c : text) {
        if (c == QLatin1Char(',') || c.isSpace())
            flush();
        else
            piece.append(c);
    }
    flush();
    return out;
}

std::optional<ScanReplaceRequest> build(const std::vector<QString>& rowIds,
                                        const std::map<QString, QString>& binByRow,
                                        const QString& replaceBinsText, bool dryRun)
{
    std::vector<QString> bins = parseReplaceBins(replaceBinsText);
    if (bins.empty())
        return std::nullopt;
    std::vector<ScanReplaceAssignment> assignments;
    for (const QString& id : rowIds) {
        const auto it = binByRow.find(id);
        if (it != binByRow.end())
            assignments.push_back({id, it->second});
    }
    if (assignments.empty())
        return std::nullopt;
    return ScanReplaceRequest{std::move(bins), std::move(assignments), dryRun};
}

} // namespace vantry::ScanReplacePlanner
