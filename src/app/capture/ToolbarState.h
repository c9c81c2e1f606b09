#pragma once

#include "app/batch/CaptureViewModel.h"

#include <QString>

#include <optional>

namespace vantry {

// Everything the capture window's two toolbar rows show for one state of the batch: each
// control's title, symbol, hover help, and whether it is shown and enabled. A disabled
// control's help says what is missing instead of what it does.
struct ToolbarState {
    struct Inputs {
        QString scanFolderPath; // empty: no scan folder
        bool isWatching = false;
        bool isPaused = false;
        qint64 pendingFileCount = 0; // pages the watcher has not handed over yet
        bool isScanning = false;
        std::optional<QString> scanner; // the found scanner's name; none: no scanner found
        bool directScanEnabled = false;
        bool hasRows = false;
        bool isWorking = false;
        bool isImporting = false;
        std::optional<CaptureViewModel::Progress> progress;
    };

    struct Control {
        QString title;
        QString symbol; // the symbol's name; the widget draws it
        QString help;
        bool shown = true;
        bool enabled = true;

        bool operator==(const Control&) const = default;
    };

    enum class Tint { accent, red, orange, grey };
    enum class ProgressKind { none, bar, spinner };

    // Row 1.
    Control scanFolder, watch, pause, scan, importFolder, clearFolder;
    Tint watchTint = Tint::accent;
    // Watch is a filled button only while it watches: filled at rest it looked switched on.
    bool watchFilled = false;
    Tint pauseTint = Tint::grey;
    ProgressKind progress = ProgressKind::none;
    qint64 progressValue = 0;
    qint64 progressMaximum = 1;
    QString progressText; // beside the bar: "12 of 120" scans read; empty without a bar
    // Row 2.
    Control addCard, newBatch, duplex, recount;

    static ToolbarState of(const Inputs& in);

    // Why a control that needs a quiet batch is disabled.
    static QString waitForIngestHelp();
    static QString waitForImportHelp();
    static QString waitForSettlingHelp();
    static QString emptyBatchHelp();
};

} // namespace vantry
