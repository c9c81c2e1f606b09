#pragma once

#include "app/capture/AlertPrompter.h"

#include <QPointer>
#include <QWidget>

namespace vantry {

// Shows alerts as window-modal dialogs opened with `open()`; a dialog closes with its window.
// The buttons stand as `AlertButtonPlan` puts them, not in the order of the desktop's
// dialog-button convention, which differs from desktop to desktop.
class MessageBoxPrompter final : public AlertPrompter {
public:
    explicit MessageBoxPrompter(QWidget* window) : window_(window) {}
    void present(AlertSpec alert) override;

    // The widest the message runs before it wraps, in pixels.
    static constexpr int messageWidth = 420;

private:
    QPointer<QWidget> window_;
};

} // namespace vantry
