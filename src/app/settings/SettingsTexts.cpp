#include "app/settings/SettingsTexts.h"

#include "app/settings/CaptureConfig.h"

#include <QDir>
#include <QFileInfo>

namespace vantry::SettingsTexts {

QString signedInAs(const std::optional<QString>& email)
{
    if (!email || email->trimmed().isEmpty())
        return QStringLiteral("—");
    return *email;
}

Account account(bool isSignedIn, const std::optional<QString>& email)
{
    return {signedInAs(isSignedIn ? email : std::nullopt), isSignedIn};
}

QString byFinish(const TrainingDataStats& stats)
{
    return QStringLiteral("%1 foil · %2 nonfoil · %3 etched").arg(stats.foil).arg(stats.nonfoil).arg(stats.etched);
}

QString verifiedVsAuto(const TrainingDataStats& stats)
{
    return QStringLiteral("%1 verified · %2 auto").arg(stats.verified).arg(stats.autoAccepted);
}

bool trainingActionsEnabled(bool hasStore, const TrainingDataStats& stats, bool busy)
{
    return hasStore && stats.total > 0 && !busy;
}

QString wipeConfirmMessage(int total)
{
    if (total == 1)
        return QStringLiteral("1 label and its thumbnail will be deleted. Cannot be undone.");
    return QStringLiteral("%1 labels and their thumbnails will be deleted. Cannot be undone.").arg(total);
}

QString exportToast(const QString& folderPath)
{
    QString path = folderPath;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return QStringLiteral("Exported to ") + QFileInfo(path).fileName();
}

QString sliderValue(double value) { return QString::asprintf("%.2f", value); }

QString gapMinHelp()
{
    return QStringLiteral("How far the best printing must score above the next one to be confirmed without review. "
                          "The lowest position keeps the default of 0.04: two equally scored printings always wait "
                          "for review.");
}

QString abbreviatedPath(const QString& path, const QString& homeDir)
{
    const QString home = QDir::cleanPath(homeDir);
    const QString clean = QDir::cleanPath(path);
    if (home.isEmpty() || home == u"/")
        return clean;
    if (clean == home)
        return QStringLiteral("~");
    if (clean.startsWith(home + u'/'))
        return QStringLiteral("~") + clean.mid(home.size());
    return clean;
}

QString trainingNote(const QString& trainingFolder)
{
    QString folder = trainingFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return QStringLiteral("Every card you import is logged with your final finish choice and a 224×224 thumbnail "
                          "(~20 KB). Dropdown clicks and the Verify Foils flow mark a label as 'verified'. Data stays "
                          "on this computer at ") +
           folder +
           QStringLiteral(". Export builds a folder you can train an offline foil model from.");
}

QString trainingTitle() { return QStringLiteral("Training Data (for a future foil model)"); }

QString directScanNote()
{
    return QStringLiteral("When on, the toolbar exposes Scan Batch, opens the scanner through SANE, and drops pages "
                          "into your Scan Folder. Turn it off to use your scanning app + Watch Folder only.");
}

QString directScanSettingsNote()
{
    return QStringLiteral("Direct scan applies the in-app Recommended settings where it can: the Scan-speed resolution "
                          "you pick (Best through Fastest), color RGB, full-bed scan area (≈ Cropping None), PNG, "
                          "post-capture unsharp mask (mimics PaperStream's Text Clarity Emphasis-Level 2). Settings "
                          "that are driver-only and NOT set through SANE: Multifeed Detection, Blank Page Skip. "
                          "Without those, a sleeve glued to a card or a blank divider will land in the review list; "
                          "eyeball and skip.");
}

QString scannerDiagnosticsNote(const QString& logFile)
{
    return QStringLiteral("If direct scan stalls, flip this off and unplug+replug the scanner. Phase diagnostics: ") +
           logFile;
}

const QStringList& conditions() { return CaptureConfig::conditions(); }

} // namespace vantry::SettingsTexts
