#include "core/service/ScanReplacePlanner.h"

#include <QSet>

namespace vantry::ScanReplacePlanner {

std::vector<QString> parseReplaceBins(const QString& text, const std::vector<QString>& knownBins)
{
    auto separates = [](QChar c) { return c == QLatin1Char(',') || c.isSpace(); };
    const qsizetype end = text.size();
    std::vector<QString> out;
    QSet<QString> kept;
    qsizetype at = 0;
    while (at < end) {
        if (separates(text[at])) {
            ++at;
            continue;
        }
        qsizetype length = 0;
        const QStringView rest = QStringView(text).mid(at);
        for (const QString& name : knownBins) {
            const qsizetype after = at + name.size();
            if (name.size() > length && rest.startsWith(name) && (after == end || separates(text[after])))
                length = name.size();
        }
        if (length == 0)
            while (at + length < end && !separates(text[at + length]))
                ++length;
        const QString name = text.mid(at, length);
        if (!kept.contains(name)) {
            kept.insert(name);
            out.push_back(name);
        }
        at += length;
    }
    return out;
}

std::optional<ScanReplaceRequest> build(const std::vector<QString>& rowIds,
                                        const std::map<QString, QString>& binByRow,
                                        const QString& replaceBinsText, bool dryRun,
                                        const std::vector<QString>& knownBins)
{
    std::vector<QString> bins = parseReplaceBins(replaceBinsText, knownBins);
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
