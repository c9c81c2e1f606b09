#pragma once

#include "app/capture/ToolbarState.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vantry {

class CaptureWindowState;
class CoalescedRefresh;

// The capture window's two toolbar rows. Shows `ToolbarState` for the batch's model, watcher,
// scanner and scan folder, following them through one coalesced refresh; the buttons report
// the user's request (the window runs the command). Duplex writes its setting and Recount
// the model's mode directly.
class CaptureToolbar : public QWidget {
    Q_OBJECT

public:
    explicit CaptureToolbar(CaptureWindowState& state, QWidget* parent = nullptr);

    // The state shown now.
    ToolbarState::Inputs inputs() const;
    void refresh();
    // The empty part of the second row, right of its controls, in the toolbar's coordinates:
    // a toast placed there hides no control (the first row's right end holds the progress).
    QRect freeArea() const;
    CoalescedRefresh& refresher() const { return *refresh_; }

signals:
    void chooseScanFolderRequested();
    void watchRequested();
    void pauseRequested();
    void scanRequested();
    void importFolderRequested();
    void clearFolderRequested();
    void addCardRequested();
    void newBatchRequested();

private:
    CaptureWindowState& state_;
    CoalescedRefresh* refresh_;
    QPushButton* scanFolder_;
    QPushButton* watch_;
    QPushButton* pause_;
    QPushButton* scan_;
    QPushButton* importFolder_;
    QPushButton* clearFolder_;
    QLabel* progressCount_;
    QProgressBar* progress_;
    QPushButton* addCard_;
    QPushButton* newBatch_;
    QCheckBox* duplex_;
    QCheckBox* recount_;
};

} // namespace vantry
