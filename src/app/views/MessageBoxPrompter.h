#pragma once

#include "app/capture/AlertPrompter.h"

#include <QPointer>
#include <QWidget>

namespace vantry {

// Shows alerts as window-modal message boxes opened with `open()`; a box closes with its
// window.
class MessageBoxPrompter final : public AlertPrompter {
public:
    explicit MessageBoxPrompter(QWidget* window) : window_(window) {}
    void present(AlertSpec alert) override;

private:
    QPointer<QWidget> window_;
};

} // namespace vantry
