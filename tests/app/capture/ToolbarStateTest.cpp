#include "app/capture/ToolbarState.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using In = ToolbarState::Inputs;
using Kind = ToolbarState::ProgressKind;

In idle(QString folder = QStringLiteral("/scans/B0007"))
{
    In in;
    in.scanFolderPath = std::move(folder);
    in.directScanEnabled = true;
    in.scanner = QStringLiteral("FUJITSU fi-8170");
    in.hasRows = true;
    return in;
}

TEST(ToolbarState, EnabledStatesAndTheirHelpAcrossBatchStates)
{
    const QString clearHelp = "Move every image in \"B0007\" into a timestamped archive subfolder so the next batch "
                              "starts clean. Reversible.";
    const QString importHelp = "Import the scans currently in \"B0007\" right now (one-shot).";
    struct Case {
        const char* name;
        In in;
        bool importFolder, clearFolder, addCard, newBatch;
        QString importFolderHelp, clearFolderHelp, newBatchHelp;
        QString scanFolderLock = {}; // why the scan folder cannot change now; "" when it can
    };
    In noFolder = idle(QString());
    In working = idle();
    working.isWorking = true;
    In importing = idle();
    importing.isImporting = true;
    In scanning = idle();
    scanning.isScanning = true;
    In empty = idle();
    empty.hasRows = false;
    In emptyAndWorking = empty;
    emptyAndWorking.isWorking = true;
    In noFolderScanning = noFolder;
    noFolderScanning.isScanning = true;
    In settling = idle();
    settling.isWatching = true;
    settling.pendingFileCount = 2;

    const QString wait = ToolbarState::waitForIngestHelp();
    const QString waitImport = ToolbarState::waitForImportHelp();
    const QString scanLock = "The scanner is writing into this folder. Pick another one once the scan has ended.";
    const std::vector<Case> cases{
        {"quiet batch", idle(), true, true, true, true, importHelp, clearHelp, {}},
        {"no scan folder", noFolder, true, false, true, true,
         "Pick a folder of scanned card images to import right now.", "Pick a Scan Folder or Source first.", {}},
        {"ingest running", working, false, false, false, false, wait, wait, wait},
        {"import running", importing, true, false, false, false, importHelp, waitImport, waitImport},
        {"direct scan running", scanning, true, false, true, true, importHelp,
         "The scanner is still writing into this folder. Clear it once the scan has ended.", {}, scanLock},
        {"pages still settling", settling, true, false, true, true, importHelp, ToolbarState::waitForSettlingHelp(),
         {}},
        {"empty batch", empty, true, true, true, false, importHelp, clearHelp, ToolbarState::emptyBatchHelp()},
        // What is missing for good is named before what will pass.
        {"empty batch while reading", emptyAndWorking, false, false, false, false, wait, wait,
         ToolbarState::emptyBatchHelp()},
        {"no folder while scanning", noFolderScanning, true, false, true, true,
         "Pick a folder of scanned card images to import right now.", "Pick a Scan Folder or Source first.", {},
         scanLock},
    };
    const QString newBatchHelp = "Clear the current review list and start a fresh batch — no need to quit the app. "
                                 "The already-imported dedup memory is kept.";
    const QString scanFolderHelp = "The folder your scanning app (or Scan Batch) writes into. Watch Folder, Import "
                                   "Folder, Clear Folder, and Recount all use this same folder.";
    for (const Case& c : cases) {
        const ToolbarState s = ToolbarState::of(c.in);
        EXPECT_EQ(s.importFolder.enabled, c.importFolder) << c.name;
        EXPECT_EQ(s.clearFolder.enabled, c.clearFolder) << c.name;
        EXPECT_EQ(s.addCard.enabled, c.addCard) << c.name;
        EXPECT_EQ(s.newBatch.enabled, c.newBatch) << c.name;
        EXPECT_EQ(s.importFolder.help, c.importFolderHelp) << c.name;
        EXPECT_EQ(s.clearFolder.help, c.clearFolderHelp) << c.name;
        EXPECT_EQ(s.newBatch.help, c.newBatchHelp.isEmpty() ? newBatchHelp : c.newBatchHelp) << c.name;
        // The watcher follows the scan folder, so it stays put while the scanner writes into it.
        EXPECT_EQ(s.scanFolder.enabled, c.scanFolderLock.isEmpty()) << c.name;
        EXPECT_EQ(s.scanFolder.help, c.scanFolderLock.isEmpty() ? scanFolderHelp : c.scanFolderLock) << c.name;
        // Watch, Pause, Scan and the toggles are never disabled.
        for (const auto* always : {&s.watch, &s.pause, &s.scan, &s.duplex, &s.recount})
            EXPECT_TRUE(always->enabled) << c.name << " " << always->title.toStdString();
    }
}

TEST(ToolbarState, TitlesSymbolsAndPresenceFollowWatcherScannerAndSettings)
{
    struct Case {
        const char* name;
        bool watching, paused, scanning, direct;
        QString folder;
        QString folderTitle, watchTitle, watchSymbol;
        bool pauseShown;
        QString pauseTitle;
        bool scanShown;
        QString scanTitle, scanSymbol;
        ToolbarState::Tint watchTint, pauseTint;
        bool watchFilled;
    };
    using T = ToolbarState::Tint;
    const std::vector<Case> cases{
        {"idle, no folder", false, false, false, true, "", "Scan Folder…", "Watch Folder", "eye", false,
         "Pause Intake", true, "Scan Batch", "scanner.fill", T::accent, T::grey, false},
        {"watching", true, false, false, true, "/scans/B0007", "B0007", "Stop Watching", "stop.circle.fill", true,
         "Pause Intake", true, "Scan Batch", "scanner.fill", T::red, T::grey, true},
        {"paused", true, true, false, true, "/scans/B0007/", "B0007", "Stop Watching", "stop.circle.fill", true,
         "Resume Intake", true, "Scan Batch", "scanner.fill", T::red, T::orange, true},
        {"scanning", true, false, true, true, "/scans/B0007", "B0007", "Stop Watching", "stop.circle.fill", true,
         "Pause Intake", true, "Cancel Scan", "xmark.octagon.fill", T::red, T::grey, true},
        {"direct scanning off", false, false, false, false, "/scans/B0007", "B0007", "Watch Folder", "eye", false,
         "Pause Intake", false, "Scan Batch", "scanner.fill", T::accent, T::grey, false},
    };
    for (const Case& c : cases) {
        In in = idle(c.folder);
        in.isWatching = c.watching;
        in.isPaused = c.paused;
        in.isScanning = c.scanning;
        in.directScanEnabled = c.direct;
        const ToolbarState s = ToolbarState::of(in);
        EXPECT_EQ(s.scanFolder.title, c.folderTitle) << c.name;
        EXPECT_EQ(s.watch.title, c.watchTitle) << c.name;
        EXPECT_EQ(s.watch.symbol, c.watchSymbol) << c.name;
        EXPECT_EQ(s.pause.shown, c.pauseShown) << c.name;
        EXPECT_EQ(s.pause.title, c.pauseTitle) << c.name;
        EXPECT_EQ(s.scan.shown, c.scanShown) << c.name;
        EXPECT_EQ(s.scan.title, c.scanTitle) << c.name;
        EXPECT_EQ(s.scan.symbol, c.scanSymbol) << c.name;
        EXPECT_EQ(s.scan.help, c.scanning ? "Cancel the direct scanner session. Use this if the driver is stuck or the "
                                            "wrong feeder batch started."
                                          : c.folder.isEmpty()
                                                ? "Trigger a feeder scan on the FUJITSU fi-8170 into \"a default "
                                                  "folder\". Pages import live as the scanner pulls them."
                                                : "Trigger a feeder scan on the FUJITSU fi-8170 into \"B0007\". Pages "
                                                  "import live as the scanner pulls them.")
            << c.name;
        EXPECT_EQ(s.watchTint, c.watchTint) << c.name;
        EXPECT_EQ(s.watchFilled, c.watchFilled) << c.name;
        EXPECT_EQ(s.pauseTint, c.pauseTint) << c.name;
    }
    In watching = idle();
    watching.isWatching = true;
    EXPECT_EQ(ToolbarState::of(watching).watch.help,
              "Stop watching this folder. Use Pause Intake instead if scans may keep landing.");
    watching.isPaused = true;
    EXPECT_EQ(ToolbarState::of(watching).pause.help, "Resume polling and import scans that landed while paused.");
}

TEST(ToolbarState, ProgressShowsTheBarWithItsCountWhenCountedAndTheSpinnerOnlyWhileWorking)
{
    struct Case {
        const char* name;
        std::optional<CaptureViewModel::Progress> progress;
        bool working;
        Kind kind;
        qint64 value, maximum;
        const char* text; // beside the bar
    };
    const std::vector<Case> cases{
        {"nothing running", std::nullopt, false, Kind::none, 0, 1, ""},
        {"ingest without counts", std::nullopt, true, Kind::spinner, 0, 1, ""},
        {"counted", CaptureViewModel::Progress{12, 120}, true, Kind::bar, 12, 120, "12 of 120"},
        {"counted, done", CaptureViewModel::Progress{40, 40}, false, Kind::bar, 40, 40, "40 of 40"},
        // A zero total still draws a bar with a maximum of 1.
        {"zero total", CaptureViewModel::Progress{0, 0}, true, Kind::bar, 0, 1, "0 of 0"},
        {"overrun kept inside the bar", CaptureViewModel::Progress{7, 5}, true, Kind::bar, 5, 5, "5 of 5"},
    };
    for (const Case& c : cases) {
        In in = idle();
        in.progress = c.progress;
        in.isWorking = c.working;
        const ToolbarState s = ToolbarState::of(in);
        EXPECT_EQ(s.progress, c.kind) << c.name;
        EXPECT_EQ(s.progressText, QString::fromUtf8(c.text)) << c.name;
        if (c.kind == Kind::bar) {
            EXPECT_EQ(s.progressValue, c.value) << c.name;
            EXPECT_EQ(s.progressMaximum, c.maximum) << c.name;
        }
    }
}

} // namespace
} // namespace vantry
