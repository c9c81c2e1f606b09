#pragma once

#include "app/capture/FooterState.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QProgressBar;
class QVBoxLayout;

namespace vantry {

class CaptureWindowState;
class CoalescedRefresh;

// The capture window's footer: status and counts or watching line, the bin field with the
// destination, the two CSV exports and the Import button. Shows `FooterState`, following the
// model, the watcher and the workspace settings through one coalesced refresh. The bin field
// edits the model's bin; the exports run through the window's save panel; Import only asks.
class CaptureFooter : public QWidget {
    Q_OBJECT

public:
    explicit CaptureFooter(CaptureWindowState& state, QWidget* parent = nullptr);

    FooterState::Inputs inputs() const;
    void refresh();
    CoalescedRefresh& refresher() const { return *refresh_; }

signals:
    // The user pressed Import; the window asks for confirmation before anything is sent.
    void importRequested();

private:
    QVBoxLayout* buildStatusColumn();
    QVBoxLayout* buildBinColumn();
    QVBoxLayout* buildExportColumn();
    QPushButton* buildImport();
    void connectControls();
    void followSources();

    CaptureWindowState& state_;
    CoalescedRefresh* refresh_;
    QLabel* status_;
    QWidget* secondLine_;
    QLabel* secondSymbol_;
    QLabel* secondText_;
    QLineEdit* bin_;
    QLabel* destination_;
    QPushButton* exportCsv_;
    QPushButton* manabox_;
    QPushButton* import_;
    QProgressBar* importSpinner_;
};

} // namespace vantry
