#include "app/capture/CaptureTexts.h"

#include <QFileInfo>

namespace vantry::CaptureTexts {

namespace {

QString lastComponent(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFileInfo(path).fileName();
}

} // namespace

QString pluralS(qint64 count)
{
    return count == 1 ? QString() : QStringLiteral("s");
}

QString statusLine(const QString& statusMessage, bool readingScans)
{
    if (!statusMessage.isEmpty())
        return statusMessage;
    return readingScans ? QStringLiteral("Reading scans…") : QStringLiteral("Ready");
}

std::optional<QString> tabBadge(qint64 needsReviewCount)
{
    if (needsReviewCount < 1)
        return std::nullopt;
    return QString::number(needsReviewCount);
}

QString discardTitle(qint64 rowCount)
{
    return QStringLiteral("Discard ") + QString::number(rowCount) + QStringLiteral(" row") + pluralS(rowCount) +
           QLatin1Char('?');
}

QString discardMessage()
{
    // The ledger holds imported scans only: these come back whenever their folder is imported again.
    return QStringLiteral("These cards aren't imported yet. Discarding clears the review list; their scans stay in the "
                          "folder, and importing the folder again brings them back.");
}

QString importConfirmTitle()
{
    return QStringLiteral("Import to Vantry?");
}

QString splitChildWarningTitle()
{
    return QStringLiteral("Recount is off");
}

QString scanStoppedTitle()
{
    return QStringLiteral("Scan stopped early");
}

QString healTitle()
{
    return QStringLiteral("Auto-fixed a scanner setting");
}

QString recountTitle()
{
    return QStringLiteral("Recount applied");
}

QString recountSummary(const CaptureViewModel::LastRecountResult& result)
{
    QStringList bins;
    for (const QString& bin : result.binsWritten)
        bins << bin;
    if (!result.figuresKnown)
        return QStringLiteral("Figures unknown (the service did not report them) → ") + bins.join(QStringLiteral(", "));
    return QString::number(result.created) + QStringLiteral(" added · ") + QString::number(result.retired) +
           QStringLiteral(" retired → ") + bins.join(QStringLiteral(", "));
}

QString scanOrientationTitle(qint64 count)
{
    return QString::number(count) + QStringLiteral(" card") + pluralS(count) + QStringLiteral(" had no readable text");
}

QString scanOrientationBody()
{
    return QStringLiteral("Scan cards with the card name and the bottom set/collector strip showing, not the art side. "
                          "That strip is what identifies the exact set and printing. Full-art and Art Series cards "
                          "have no strip; search those by name. To fix a flagged row below, Rotate it or rescan that "
                          "side.");
}

QString bulkHint()
{
    return QStringLiteral("Review the cards below — confirm each match, then bulk actions appear here.");
}

QString bulkConfirmedLabel(qint64 confirmed)
{
    return QStringLiteral("Set all ") + QString::number(confirmed) + QStringLiteral(" confirmed to:");
}

QString markReviewedLabel(qint64 count)
{
    return QStringLiteral("Mark ") + QString::number(count) + QStringLiteral(" reviewed");
}

QString markReviewedHelp()
{
    return QStringLiteral("Sign off every card currently shown (card, printing, and finish). They drop out of the "
                          "working tabs so you stop re-checking them.");
}

QString emptyTitle()
{
    return QStringLiteral("How scanning works");
}

QString emptyIntro(bool directScanEnabled)
{
    if (directScanEnabled)
        return QStringLiteral("Scanning is on. Use Scan Batch in the toolbar to pull cards straight off the scanner "
                              "(through SANE) at the speed you picked. You can still scan with your scanning app "
                              "(Document Scanner, Skanlite or NAPS2) into the watch folder if you prefer.");
    return QStringLiteral("This app doesn't drive the scanner directly. Use your scanning app (Document Scanner, "
                          "Skanlite or NAPS2) to scan into a folder, we watch it, recognize each card, and import "
                          "the batch.");
}

QStringList emptySteps()
{
    return {
        QStringLiteral("Pick a Scan Folder above (where your scanning app saves)."),
        QStringLiteral("Click Watch Folder."),
        QStringLiteral("Open your scanning app, select your scanner, save into the Scan Folder, and scan the stack "
                       "face-up: the side with the card name and the bottom set/collector strip showing, not the art "
                       "side."),
        QStringLiteral("Cards appear here as they land. Review, then Import to Vantry."),
    };
}

QString emptyWhyFaceUp()
{
    return QStringLiteral("Why face-up: the bottom strip (set and collector number) is what pins the exact set and "
                          "printing. The art side carries none of it, so an art-up scan can't be identified and can't "
                          "tell us which set it is from.");
}

QString emptyFolderLine(const QString& scanFolderPath)
{
    if (scanFolderPath.isEmpty())
        return QStringLiteral("Tip: a fresh empty folder each batch keeps re-scans from piling up and double-counting.");
    return QStringLiteral("Scan folder: ") + lastComponent(scanFolderPath);
}

QString emptyQuirks()
{
    return QStringLiteral("Duplicate scans (the same page saved twice; pixel-identical PNGs with different metadata) "
                          "are de-duped — you don't have to do anything.");
}

} // namespace vantry::CaptureTexts
