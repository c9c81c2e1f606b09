#include "app/capture/ToolbarState.h"

#include "app/capture/CaptureCommandTexts.h"

#include <algorithm>

namespace vantry {

namespace {

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// The first reason that applies, or the control's own help when none does.
void gate(ToolbarState::Control& control, std::initializer_list<std::pair<bool, QString>> reasons)
{
    for (const auto& [blocked, reason] : reasons) {
        if (blocked) {
            control.enabled = false;
            control.help = reason;
            return;
        }
    }
}

} // namespace

QString ToolbarState::waitForIngestHelp()
{
    return QStringLiteral("Wait until the scans being read are done.");
}

QString ToolbarState::waitForImportHelp()
{
    return QStringLiteral("Wait until the import to Vantry finishes.");
}

QString ToolbarState::waitForSettlingHelp()
{
    return QStringLiteral("Wait until the scans still settling in this folder have been taken in.");
}

QString ToolbarState::emptyBatchHelp()
{
    return QStringLiteral("The batch has no cards yet, so there is nothing to clear.");
}

ToolbarState ToolbarState::of(const Inputs& in)
{
    const QString folderName = CaptureCommandTexts::folderName(in.scanFolderPath);
    const bool hasFolder = !folderName.isEmpty();
    ToolbarState s;

    // Moving the watcher off the folder a scan writes into would lose the scan's pages.
    s.scanFolder = {hasFolder ? folderName : QStringLiteral("Scan Folder…"), QStringLiteral("folder.badge.gearshape"),
                    CaptureCommandTexts::scanFolderHelp(in.isScanning)};
    s.scanFolder.enabled = !in.isScanning;

    if (in.isWatching)
        s.watch = {QStringLiteral("Stop Watching"), QStringLiteral("stop.circle.fill"),
                   QStringLiteral("Stop watching this folder. Use Pause Intake instead if scans may keep landing.")};
    else
        s.watch = {QStringLiteral("Watch Folder"), QStringLiteral("eye"),
                   QStringLiteral("Start the watcher. Then scan into this folder with your scanning app and every "
                                  "new file imports automatically.")};
    s.watchTint = in.isWatching ? Tint::red : Tint::accent;
    s.watchFilled = in.isWatching;

    if (in.isPaused)
        s.pause = {QStringLiteral("Resume Intake"), QStringLiteral("play.fill"),
                   QStringLiteral("Resume polling and import scans that landed while paused.")};
    else
        s.pause = {QStringLiteral("Pause Intake"), QStringLiteral("pause.fill"),
                   QStringLiteral("Pause folder intake without losing scans. Files that land while paused import "
                                  "when you resume.")};
    s.pause.shown = in.isWatching;
    s.pauseTint = in.isPaused ? Tint::orange : Tint::grey;

    s.scan = {in.isScanning ? QStringLiteral("Cancel Scan") : QStringLiteral("Scan Batch"),
              in.isScanning ? QStringLiteral("xmark.octagon.fill") : QStringLiteral("scanner.fill"),
              CaptureCommandTexts::directScanHelp(in.isScanning, in.scanner, in.scanFolderPath)};
    s.scan.shown = in.directScanEnabled;

    s.importFolder = {QStringLiteral("Import Folder"), QStringLiteral("folder"),
                      hasFolder ? QStringLiteral("Import the scans currently in ") + quoted(folderName) +
                                      QStringLiteral(" right now (one-shot).")
                                : QStringLiteral("Pick a folder of scanned card images to import right now.")};
    gate(s.importFolder, {{in.isWorking, waitForIngestHelp()}});

    // The commands' own rule: archiving while pages are still coming in or waiting to be
    // handed over would take them away from the batch.
    s.clearFolder = {QStringLiteral("Clear Folder"), QStringLiteral("tray.fill"),
                     CaptureCommandTexts::clearFolderHelp(in.scanFolderPath, in.isScanning)};
    s.clearFolder.enabled = hasFolder && !in.isScanning;
    gate(s.clearFolder, {{s.clearFolder.enabled && in.isImporting, waitForImportHelp()},
                         {s.clearFolder.enabled && in.isWorking, waitForIngestHelp()},
                         {s.clearFolder.enabled && in.pendingFileCount > 0, waitForSettlingHelp()}});

    if (in.progress) {
        s.progress = ProgressKind::bar;
        s.progressMaximum = std::max<qint64>(in.progress->total, 1);
        s.progressValue = std::clamp<qint64>(in.progress->done, 0, s.progressMaximum);
        s.progressText = QStringLiteral("%1 of %2").arg(s.progressValue).arg(std::max<qint64>(in.progress->total, 0));
    } else if (in.isWorking) {
        s.progress = ProgressKind::spinner;
    }

    s.addCard = {QStringLiteral("Add Card"), QStringLiteral("plus.circle"),
                 QStringLiteral("Manually add a card you're not scanning — search by name, pick the printing and "
                                "finish, and it joins this batch.")};
    gate(s.addCard, {{in.isImporting, waitForImportHelp()}, {in.isWorking, waitForIngestHelp()}});

    s.newBatch = {QStringLiteral("New Batch"), QStringLiteral("plus.rectangle.on.rectangle"),
                  QStringLiteral("Clear the current review list and start a fresh batch — no need to quit the app. "
                                 "The already-imported dedup memory is kept.")};
    gate(s.newBatch, {{!in.hasRows, emptyBatchHelp()},
                      {in.isImporting, waitForImportHelp()},
                      {in.isWorking, waitForIngestHelp()}});

    s.duplex = {QStringLiteral("Duplex"), QString(),
                QStringLiteral("Both sides are scanned (Scan Batch asks the scanner for duplex; set your scanning app "
                               "to duplex too). Pairs front/back into one card each.")};
    s.recount = {QStringLiteral("Recount"), QString(),
                 QStringLiteral("Recount mode: clear the old bin and import the scanned cards as the new truth. "
                                "In-flight order copies are protected and shown as conflicts.")};
    return s;
}

} // namespace vantry
