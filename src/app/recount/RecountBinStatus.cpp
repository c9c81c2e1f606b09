#include "app/recount/RecountBinStatus.h"

#include "app/recount/RecountGate.h"

namespace vantry::RecountBinStatus {

namespace {

QString folded(const QString& text)
{
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.toCaseFolded();
}

} // namespace

bool equalsFolded(const QString& a, const QString& b) { return folded(a) == folded(b); }

RecountLine of(const RecountState& state, const std::optional<QString>& suggestedReplaceBin)
{
    using S = RecountLine::Symbol;
    using T = RecountLine::Tone;
    if (state.isLoadingInventoryBins)
        return {QStringLiteral("Loading existing bins"), S::hourglass, T::secondary};
    if (state.inventoryBinsError) {
        const QString firstLine = state.inventoryBinsError->section(QLatin1Char('\n'), 0, 0);
        return {QStringLiteral("Could not load bins: ") + firstLine, S::warning, T::orange};
    }
    const std::vector<QString> names = RecountGate::oldBins(state);
    if (names.empty()) {
        if (suggestedReplaceBin)
            return {QStringLiteral("Suggested from scan folder: ") + *suggestedReplaceBin, S::info, T::secondary};
        return {QStringLiteral("Type the old bin to replace"), S::info, T::secondary};
    }
    if (!state.binsLoaded)
        return {QStringLiteral("Load existing bins to confirm before preview"), S::info, T::secondary};
    const std::vector<QString> missing = RecountGate::missingReplaceBins(state);
    if (missing.empty()) {
        qint64 total = 0;
        for (const QString& name : names)
            if (const auto bin = RecountGate::exactBin(state.inventoryBins, name))
                total += bin->totalQty;
        if (names.size() == 1)
            return {QStringLiteral("Confirmed existing bin: %1 active cards").arg(total), S::checkmark, T::green};
        return {QStringLiteral("Confirmed %1 existing bins: %2 active cards").arg(qint64(names.size())).arg(total),
                S::checkmark, T::green};
    }
    for (const InventoryBinSummary& bin : state.inventoryBins)
        if (equalsFolded(bin.label, missing.front()))
            return {QStringLiteral("Case mismatch? ") + bin.label + QStringLiteral(" exists with ") +
                        QString::number(bin.totalQty) + QStringLiteral(" active cards"),
                    S::warning, T::orange};
    return {QStringLiteral("No active bin found for ") + QStringList(missing.begin(), missing.end()).join(QStringLiteral(", ")),
            S::stop, T::red};
}

std::optional<QString> useSuggestion(const std::optional<QString>& suggestedReplaceBin, const QString& replaceBinsText)
{
    if (!suggestedReplaceBin)
        return std::nullopt;
    const QString trimmed = suggestedReplaceBin->trimmed();
    if (trimmed.isEmpty() || trimmed == replaceBinsText.trimmed())
        return std::nullopt;
    return trimmed;
}

bool showsChips(const RecountState& state)
{
    return !state.replaceBinsText.trimmed().isEmpty() &&
           !RecountGate::binSuggestions(state.inventoryBins, state.replaceBinsText).empty();
}

} // namespace vantry::RecountBinStatus
