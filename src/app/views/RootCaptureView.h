#pragma once

#include "app/capture/CaptureWindowState.h"

#include <QUuid>
#include <QWidget>

class QVBoxLayout;

namespace vantry {

class BatchTabStrip;
class CaptureView;
class SessionStore;

// The signed-in content: the batch tab strip over the selected batch's capture window. The
// window is built anew on every selection, so its view state starts fresh while the batch
// keeps running in its session.
class RootCaptureView : public QWidget {
    Q_OBJECT

public:
    RootCaptureView(SessionStore& store, CaptureWindowState::Services services, QWidget* parent = nullptr);

    BatchTabStrip* tabStrip() const { return strip_; }
    CaptureView* captureView() const { return view_; }

signals:
    // A new capture view stands (tests, and later pieces that fill its slots).
    void captureViewRebuilt(vantry::CaptureView* view);

private:
    void followSelection();

    SessionStore& store_;
    CaptureWindowState::Services services_;
    BatchTabStrip* strip_;
    QVBoxLayout* layout_;
    CaptureView* view_ = nullptr;
    QUuid shownID_;
};

} // namespace vantry
