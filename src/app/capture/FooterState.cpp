#include "app/capture/FooterState.h"

#include "app/batch/CaptureViewModel.h"
#include "app/capture/CaptureCommandTexts.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/ToolbarState.h"
#include "core/intake/FolderWatcher.h"


namespace vantry {

FooterState::Inputs FooterState::Inputs::of(const CaptureViewModel& model, const FolderWatcher& watcher)
{
    Inputs in;
    in.statusMessage = model.statusMessage();
    in.isWatching = watcher.isWatching();
    in.isPaused = watcher.isPaused();
    in.watchedFolderName = CaptureCommandTexts::folderName(watcher.folder().value_or(QString()));
    in.rowCount = static_cast<qint64>(model.rows().size());
    in.chosenCount = static_cast<qint64>(model.chosen().size());
    in.needsReviewCount = model.needsReviewCount();
    in.totalValue = model.totalValue();
    in.hasConfirmedRows = model.hasConfirmedRows();
    in.isWorking = model.isWorking();
    in.isImporting = model.isImporting();
    return in;
}

QString FooterState::binHelp()
{
    return QStringLiteral("Inventory bin these cards file under. Defaults to the scan-folder name; edit to file "
                          "under a different bin.");
}

QString FooterState::noConfirmedHelp()
{
    return QStringLiteral("Confirm at least one card first.");
}

QString FooterState::resolvingWorkspaceHelp()
{
    return QStringLiteral("Looking up the workspace these cards would go to…");
}

FooterState FooterState::of(const Inputs& in)
{
    FooterState s;
    s.status = CaptureTexts::statusLine(in.statusMessage, in.isWorking);

    if (in.isWatching && !in.watchedFolderName.isEmpty()) {
        s.secondLine = SecondLine::watching;
        s.paused = in.isPaused;
        s.secondText = (in.isPaused ? QStringLiteral("Paused ") : QStringLiteral("Watching ")) + in.watchedFolderName;
    } else if (in.rowCount >= 1) {
        s.secondLine = SecondLine::counts;
        s.secondText = QStringLiteral("%1 confirmed · %2 to review · est. value $%3")
                           .arg(in.chosenCount)
                           .arg(in.needsReviewCount)
                           .arg(QString::number(in.totalValue, 'f', 2));
    }

    s.destination = CaptureCommandTexts::destinationLabel(in.workspaceId, in.workspaceName);
    s.destinationWarns = in.workspaceId.isEmpty();

    s.actionsEnabled = in.hasConfirmedRows && !in.isImporting && !in.isWorking;
    s.exportHelp = QStringLiteral("Download these scanned cards as a raw CSV in exact scan order — one row per card, "
                                  "duplicates not merged, with an Order column. Built for external inventory "
                                  "systems. Does not add them to your Vantry inventory.");
    s.manaboxHelp = QStringLiteral("Alternative export: ManaBox / Manapool interchange format. Merges duplicate "
                                   "printings into one row with a Quantity column, so it does not preserve scan "
                                   "order.");
    s.importHelp = QStringLiteral("Import the confirmed cards into your Vantry inventory. You confirm first.");
    if (!s.actionsEnabled) {
        const QString missing = !in.hasConfirmedRows ? noConfirmedHelp()
                                : in.isImporting     ? ToolbarState::waitForImportHelp()
                                                     : ToolbarState::waitForIngestHelp();
        s.exportHelp = s.manaboxHelp = s.importHelp = missing;
    }
    s.importEnabled = s.actionsEnabled && !in.isResolvingWorkspace;
    if (s.actionsEnabled && in.isResolvingWorkspace)
        s.importHelp = resolvingWorkspaceHelp();
    s.importSpinner = in.isImporting || in.isResolvingWorkspace;
    s.importTitle = in.isImporting ? QStringLiteral("Importing…") : QStringLiteral("Import to Vantry");
    return s;
}

} // namespace vantry
