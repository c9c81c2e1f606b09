#include "app/recount/RecountGate.h"

#include "core/service/ScanReplacePlanner.h"

#include <QStringList>

#include <algorithm>

namespace vantry::RecountGate {

namespace {

int dispositionRank(Disposition d)
{
    switch (d) {
    case Disposition::unresolved: return 0;
    case Disposition::review: return 1;
    case Disposition::autoConfirm: return 2;
    }
    return 2;
}

} // namespace

std::vector<CaptureViewModel::Row> reviewRows(const std::vector<CaptureViewModel::Row>& rows)
{
    std::vector<CaptureViewModel::Row> out;
    for (const auto& row : rows)
        if (!row.chosen)
            out.push_back(row);
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return dispositionRank(a.disposition) < dispositionRank(b.disposition);
    });
    return out;
}

std::vector<QString> oldBins(const RecountState& state)
{
    return ScanReplacePlanner::parseReplaceBins(state.replaceBinsText, state.knownBins);
}

std::optional<InventoryBinSummary> exactBin(const std::vector<InventoryBinSummary>& bins, const QString& name)
{
    for (const InventoryBinSummary& bin : bins)
        if (bin.label == name)
            return bin;
    return std::nullopt;
}

std::vector<QString> missingReplaceBins(const RecountState& state)
{
    std::vector<QString> out;
    if (!state.binsLoaded)
        return out;
    for (const QString& name : oldBins(state))
        if (!exactBin(state.inventoryBins, name))
            out.push_back(name);
    return out;
}

bool replaceBinsAreConfirmed(const RecountState& state)
{
    return state.binsLoaded && missingReplaceBins(state).empty();
}

bool canPreview(const RecountState& state)
{
    return !state.items.empty() && !oldBins(state).empty() && replaceBinsAreConfirmed(state) &&
           state.assignedTotal >= 1 && !state.isWorking && !state.isLoadingInventoryBins && !state.commitPending;
}

bool canCommit(const RecountState& state)
{
    return state.pendingPreview.has_value() && canPreview(state);
}

QString previewBlockedHint(const RecountState& state)
{
    if (state.commitPending)
        return QStringLiteral("The last recount may still complete \u2014 check it first.");
    if (state.items.empty())
        return QStringLiteral("Import a folder first.");
    if (oldBins(state).empty())
        return QStringLiteral("Type the old bin to replace.");
    if (state.isLoadingInventoryBins)
        return QStringLiteral("Loading existing bins.");
    if (state.inventoryBinsError && !state.binsLoaded)
        return QStringLiteral("Reload existing bins to confirm the old bin.");
    if (!state.binsLoaded)
        return QStringLiteral("Load existing bins to confirm the old bin.");
    if (!missingReplaceBins(state).empty())
        return QStringLiteral("Choose an existing old bin.");
    if (state.assignedTotal == 0)
        return QStringLiteral("Assign at least one group to a destination bin.");
    return {};
}

std::vector<InventoryBinSummary> binSuggestions(const std::vector<InventoryBinSummary>& bins, const QString& text)
{
    constexpr std::size_t limit = 12;
    const QString query = text.trimmed().toLower();
    std::vector<InventoryBinSummary> out;
    if (query.isEmpty()) {
        out.assign(bins.begin(), bins.begin() + std::min(bins.size(), limit));
        return out;
    }
    for (const InventoryBinSummary& bin : bins)
        if (bin.label.toLower().contains(query))
            out.push_back(bin);
    std::stable_sort(out.begin(), out.end(), [&](const InventoryBinSummary& a, const InventoryBinSummary& b) {
        const bool pa = a.label.toLower().startsWith(query);
        const bool pb = b.label.toLower().startsWith(query);
        if (pa != pb)
            return pa;
        if (a.totalQty != b.totalQty)
            return a.totalQty > b.totalQty;
        return QString::localeAwareCompare(a.label.toLower(), b.label.toLower()) < 0;
    });
    if (out.size() > limit)
        out.resize(limit);
    return out;
}

QString replaceConfirmMessage(const std::optional<ScanReplaceResult>& preview, const std::vector<QString>& oldBins)
{
    if (!preview)
        return QStringLiteral("Nothing to recount.");
    QStringList lines;
    lines << QStringLiteral("Recount of ") + QStringList(oldBins.begin(), oldBins.end()).join(QStringLiteral(", ")) +
                 QLatin1Char(':');
    lines << QStringLiteral("\u2022 ") + QString::number(preview->created) + QStringLiteral(" added (new copies)");
    if (preview->retired >= 1)
        lines << QStringLiteral("\u2022 ") + QString::number(preview->retired) + QStringLiteral(" RETIRED as lost (") +
                     QString::asprintf("$%.2f", preview->retiredValueUsd) + QStringLiteral(" basis destroyed)");
    else
        lines << QStringLiteral("\u2022 0 retired");
    lines << QStringLiteral("This cannot be undone.");
    return lines.join(QLatin1Char('\n'));
}

bool isSingleBinName(const QString& text, const std::vector<QString>& knownBins)
{
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() &&
           ScanReplacePlanner::parseReplaceBins(trimmed, knownBins) == std::vector<QString>{trimmed};
}

bool canAssign(int selectedCount, const QString& destination, const std::vector<QString>& knownBins)
{
    return selectedCount > 0 && isSingleBinName(destination, knownBins);
}

} // namespace vantry::RecountGate
