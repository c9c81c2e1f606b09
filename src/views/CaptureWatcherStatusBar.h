#pragma once

#include "app/capture/WatcherStripState.h"

#include <QFrame>

class QHBoxLayout;
class QLabel;

namespace vantry {

class CaptureWindowState;
class CoalescedRefresh;

// The slim strip that says what the batch's folder watcher is doing. Shows
// `WatcherStripState` for the watcher's values and the window's 1 s clock, following both
// through one coalesced refresh. Reads only.
class CaptureWatcherStatusBar : public QFrame {
    Q_OBJECT

public:
    explicit CaptureWatcherStatusBar(CaptureWindowState& state, QWidget* parent = nullptr);

    WatcherStripState::Inputs inputs() const;
    void refresh();
    CoalescedRefresh& refresher() const { return *refresh_; }

private:
    CaptureWindowState& state_;
    CoalescedRefresh* refresh_;
    QLabel* symbol_;
    QLabel* title_;
    QLabel* folder_;
    QLabel* routeArrow_;
    QLabel* route_;
    QWidget* details_;
    QHBoxLayout* detailsRow_;
    std::vector<WatcherStripState::Item> shownItems_;
    std::optional<bool> shownPaused_;
};

} // namespace vantry
