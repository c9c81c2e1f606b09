#include "app/views/FileDialogFolderPicker.h"

#include <QCoroSignal>
#include <QFileDialog>

namespace vantry {

QCoro::Task<std::optional<QString>> FileDialogFolderPicker::pickFolder(QString prompt, QString message)
{
    QPointer<QFileDialog> dialog = new QFileDialog(parent_);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setLabelText(QFileDialog::Accept, prompt);
    dialog->setWindowTitle(message);
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
