#pragma once

#include "platform/SavePanel.h"

#include <QPointer>
#include <QWidget>

namespace vantry {

// A save panel made of a modal file dialog, awaited without a nested event loop.
class FileDialogSavePanel final : public SavePanel {
public:
    explicit FileDialogSavePanel(QWidget* parent = nullptr) : parent_(parent) {}
    QCoro::Task<std::optional<QString>> run(SavePanelRequest request) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace vantry
