#include "app/views/FileDialogSavePanel.h"

#include "app/views/FileDialogRun.h"

namespace vantry {

QCoro::Task<std::optional<QString>> FileDialogSavePanel::run(SavePanelRequest request)
{
    QFileDialog* dialog = new QFileDialog(parent_);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    dialog->setWindowTitle(request.title);
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    dialog->selectFile(request.proposedName);
    return runFileDialog(dialog);
}

} // namespace vantry
