#pragma once

#include "core/intake/FolderPicker.h"

#include <QPointer>
#include <QWidget>

namespace vantry {

// Picks a folder with a window-modal file dialog, awaited without a nested event loop.
class FileDialogFolderPicker final : public FolderPicker {
public:
    explicit FileDialogFolderPicker(QWidget* parent = nullptr) : parent_(parent) {}
    QCoro::Task<std::optional<QString>> pickFolder(QString prompt, QString message) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace vantry
