#pragma once

#include <QCoroTask>
#include <QFileDialog>
#include <QObject>
#include <QString>

#include <optional>

namespace vantry {

// Opens `dialog` (window-modal on its parent, application-modal without one) and waits for
// it without a nested event loop. The first selected path, or nothing when it is cancelled
// or destroyed (for example with its parent window) before it finishes.
QCoro::Task<std::optional<QString>> runFileDialog(QFileDialog* dialog);

// Turns "finished" or "destroyed" of a dialog into one signal the coroutine can await.
class FileDialogEnd : public QObject {
    Q_OBJECT
public:
    explicit FileDialogEnd(QFileDialog* dialog);
signals:
    void ended(bool accepted);
};

} // namespace vantry
