#include "views/FileDialogFolderPicker.h"

#include "views/FileDialogRun.h"

namespace vantry {

QCoro::Task<std::optional<QString>> FileDialogFolderPicker::pickFolder(QString prompt, QString message)
{
    QFileDialog* dialog = new QFileDialog(parent_);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setLabelText(QFileDialog::Accept, prompt);
    dialog->setWindowTitle(message);
    return runFileDialog(dialog);
}

} // namespace vantry
