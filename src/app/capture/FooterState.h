#pragma once

#include <QString>

namespace vantry {

class CaptureViewModel;
class FolderWatcher;

// What the capture window's footer shows for one state of the batch: the status line, the
// watcher or counts line below it, the destination, and the export and import buttons. A
// disabled button's help says what is missing.
struct FooterState {
    struct Inputs {
        QString statusMessage;
        bool isWatching = false;
        bool isPaused = false;
        QString watchedFolderName; // empty: the watcher has no folder
        qint64 rowCount = 0;
        qint64 chosenCount = 0;
        qint64 needsReviewCount = 0;
        double totalValue = 0;
        bool hasConfirmedRows = false;
        bool isWorking = false;
        bool isImporting = false;
        bool isResolvingWorkspace = false; // Import was pressed and its workspace is being looked up
        QString workspaceId;
        QString workspaceName;

        // The model's and the watcher's values of this moment.
        static Inputs of(const CaptureViewModel& model, const FolderWatcher& watcher);
    };

    enum class SecondLine { none, watching, counts };

    QString status;
    SecondLine secondLine = SecondLine::none;
    QString secondText;
    bool paused = false; // the watching line's pause symbol

    QString destination;
    bool destinationWarns = false; // no workspace: the cards go to the personal inventory

    // "Export CSV", "ManaBox format" and Import share one rule; Import also waits for the
    // workspace it looks up before asking.
    bool actionsEnabled = false;
    bool importEnabled = false;
    QString exportHelp, manaboxHelp, importHelp;
    QString importTitle;
    bool importSpinner = false;

    static FooterState of(const Inputs& in);

    static QString binHelp();
    static QString noConfirmedHelp();
    static QString resolvingWorkspaceHelp();
};

} // namespace vantry
