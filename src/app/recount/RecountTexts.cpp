#include "app/recount/RecountTexts.h"

#include "app/recount/RecountGate.h"

namespace vantry::RecountTexts {

QString binMenuEntry(const InventoryBinSummary& bin)
{
    return bin.label + QStringLiteral(" \u00B7 ") + QString::number(bin.totalQty) + QStringLiteral(" active");
}

QString binMenuEmpty(bool anyBinLoaded)
{
    return anyBinLoaded ? QStringLiteral("No matching bins") : QStringLiteral("No bins loaded");
}

QString binChipHelp(const InventoryBinSummary& bin)
{
    return QStringLiteral("%1 active card%2, %3 distinct SKU%4.")
        .arg(bin.totalQty)
        .arg(bin.totalQty == 1 ? QString() : QStringLiteral("s"))
        .arg(bin.distinctSkuCount)
        .arg(bin.distinctSkuCount == 1 ? QString() : QStringLiteral("s"));
}

QString useSuggestionTitle(const QString& bin) { return QStringLiteral("Use ") + bin; }

QString reviewHeader(qint64 count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" needs attention") : QStringLiteral(" need attention"));
}

QString reviewHint()
{
    return QStringLiteral("Confirm or skip each one \u2014 unconfirmed scans are excluded from the recount.");
}

QString selectionButton(qint64 selected)
{
    return selected == 0 ? QStringLiteral("Select all") : QStringLiteral("Clear (%1)").arg(selected);
}

QString assignHelp(bool anythingSelected, const QString& destination, const std::vector<QString>& knownBins)
{
    if (!anythingSelected)
        return QStringLiteral("Select one or more cards first.");
    if (!destination.trimmed().isEmpty() && !RecountGate::isSingleBinName(destination, knownBins))
        return QStringLiteral("Type one destination bin. A name with a space or comma must be an existing bin or "
                              "this batch's bin.");
    return QStringLiteral("File the selected cards into this destination bin.");
}

QString printingSubtitle(const ScanItemPayload& item)
{
    return item.setCode.toUpper() + QLatin1Char(' ') + item.collectorNumber + QStringLiteral(" \u00B7 \u00D7") +
           QString::number(item.count);
}

QString fixButton(int count) { return count == 1 ? QStringLiteral("Fix match") : QStringLiteral("Fix copies"); }

QString selectHelp(bool selected)
{
    return selected ? QStringLiteral("Unselect this printing.") : QStringLiteral("Select this printing.");
}

QString destinationHelp(const QString& bin)
{
    return QStringLiteral("Filed into ") + bin + QStringLiteral(". Click to unassign.");
}

QString tallyChip(const QString& bin, int count) { return bin + QLatin1Char(' ') + QString::number(count); }

QString unassignedCount(int count) { return QStringLiteral("unassigned ") + QString::number(count); }

RecountLine retireHint(const std::optional<ScanReplaceResult>& preview, const std::vector<QString>& oldBins)
{
    using S = RecountLine::Symbol;
    using T = RecountLine::Tone;
    if (!preview && oldBins.empty())
        return {QStringLiteral("Type the old bin being replaced."), S::question, T::secondary};
    if (!preview)
        return {QStringLiteral("Preview to see how many copies in ") +
                    QStringList(oldBins.begin(), oldBins.end()).join(QStringLiteral(", ")) +
                    QStringLiteral(" will retire."),
                S::question, T::secondary};
    if (preview->retired < 1)
        return {QStringLiteral("0 will retire \u00B7 ") + QString::number(preview->created) + QStringLiteral(" new"),
                S::checkmark, T::secondary};
    return {QString::number(preview->retired) +
                (preview->retired == 1 ? QStringLiteral(" old row will RETIRE (") : QStringLiteral(" old rows will RETIRE (")) +
                QString::asprintf("$%.2f", preview->retiredValueUsd) + QStringLiteral(" basis destroyed) \u00B7 ") +
                QString::number(preview->created) + QStringLiteral(" new"),
            S::trash, T::red};
}

QStringList emptySteps()
{
    return {QStringLiteral("Pick the Scan Folder for the physical bin"),
            QStringLiteral("Import Folder after scanning that bin"),
            QStringLiteral("Confirm the old bin above"),
            QStringLiteral("Select a group, Assign it to a destination bin"),
            QStringLiteral("Repeat for the next bin (A0018b)"),
            QStringLiteral("Preview recount, read the retire count, confirm")};
}

QString correctionSubtitle(const std::vector<ScanItemPayload>& items, const std::optional<QString>& itemId)
{
    if (itemId)
        for (const ScanItemPayload& item : items)
            if (item.itemId == *itemId)
                return item.name + QStringLiteral(" \u00B7 ") + item.setCode.toUpper() + QLatin1Char(' ') +
                       item.collectorNumber + QStringLiteral(" \u00B7 ") + rawValue(item.finish);
    return QStringLiteral("Corrected rows stay here until you close this panel.");
}

} // namespace vantry::RecountTexts
