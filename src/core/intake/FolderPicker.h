#pragma once

#include <QCoroTask>
#include <QString>

#include <optional>

namespace vantry {

// Asks the user for a folder. The application shows a file dialog; tests answer directly.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // `prompt` is the confirm button's title. None when the user cancels.
    virtual QCoro::Task<std::optional<QString>> pickFolder(QString prompt, QString message) = 0;
};

} // namespace vantry
