#pragma once

#include "app/capture/CaptureWindowState.h"

#include <QUuid>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace vantry {

class AlertPrompter;
class BatchTabStrip;
class CaptureView;
class SessionStore;

// The signed-in content: the batch tab strip over the selected batch's capture window. The
// window is built anew on every selection, so its view state starts fresh while the batch
// keeps running in its session.
class RootCaptureView : public QWidget {
    Q_OBJECT

public:
    // A services' prompter of none: message boxes (over this view for the tabs' questions).
    RootCaptureView(SessionStore& store, CaptureWindowState::Services services, QWidget* parent = nullptr);
    ~RootCaptureView() override;

    BatchTabStrip* tabStrip() const { return strip_; }
    CaptureView* captureView() const { return view_; }

signals:
    // A new capture view stands (tests, and later pieces that fill its slots).
    void captureViewRebuilt(vantry::CaptureView* view);

private:
    void followSelection();

    SessionStore& store_;
    std::unique_ptr<AlertPrompter> ownPrompter_;
    CaptureWindowState::Services services_;
    BatchTabStrip* strip_;
    QVBoxLayout* layout_;
    CaptureView* view_ = nullptr;
    QUuid shownID_;
};

} // namespace vantry
