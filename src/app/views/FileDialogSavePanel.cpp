#include "app/views/FileDialogSavePanel.h"

#include <QCoroSignal>
#include <QFileDialog>

namespace vantry {

QCoro::Task<std::optional<QString>> FileDialogSavePanel::run(SavePanelRequest request)
{
    QPointer<QFileDialog> dialog = new QFileDialog(parent_);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    dialog->setWindowTitle(request.title);
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    dialog->selectFile(request.proposedName);
    dialog->setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QDialog::finished);
    if (!dialog)
        co_return std::nullopt;
    std::optional<QString> chosen;
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    dialog->deleteLater();
    co_return chosen;
}

} // namespace vantry
