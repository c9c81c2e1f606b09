#include "views/FileDialogRun.h"

#include <QCoroSignal>
#include <QPointer>

#include <memory>

namespace vantry {

FileDialogEnd::FileDialogEnd(QFileDialog* dialog)
{
    connect(dialog, &QDialog::finished, this, [this](int result) { emit ended(result == QDialog::Accepted); });
    connect(dialog, &QObject::destroyed, this, [this] { emit ended(false); });
}

QCoro::Task<std::optional<QString>> runFileDialog(QFileDialog* dialog)
{
    QPointer<QFileDialog> guard = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setWindowModality(dialog->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    // Owned here, not by the dialog, so the end is still delivered when the dialog goes away.
    auto end = std::make_unique<FileDialogEnd>(dialog);
    dialog->open();
    const bool accepted = co_await qCoro(end.get(), &FileDialogEnd::ended);
    std::optional<QString> chosen;
    if (guard) {
        if (accepted && !guard->selectedFiles().isEmpty())
            chosen = guard->selectedFiles().constFirst();
        guard->deleteLater();
    }
    co_return chosen;
}

} // namespace vantry
