#include "views/FileDialogSavePanel.h"

#include "views/FileDialogRun.h"

#include <QGridLayout>
#include <QLabel>

namespace vantry {

QCoro::Task<std::optional<QString>> FileDialogSavePanel::run(SavePanelRequest request)
{
    QFileDialog* dialog = new QFileDialog(parent_);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    dialog->setWindowTitle(request.title);
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    if (!request.nameFilters.isEmpty())
        dialog->setNameFilters(request.nameFilters);
    if (!request.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.message.isEmpty()) {
        // The desktop's own dialog has no place for a message; Qt's has.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        auto* message = new QLabel(request.message, dialog);
        message->setObjectName(QStringLiteral("savePanelMessage"));
        message->setWordWrap(true);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    dialog->selectFile(request.proposedName);
    return runFileDialog(dialog);
}

} // namespace vantry
