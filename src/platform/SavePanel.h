#pragma once

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

// What a save panel shows.
struct SavePanelRequest {
    QString title;
    QString prompt;       // the confirming button's text
    QString proposedName; // file or folder name offered at first
    bool canCreateDirectories = true;
    QString message;         // a line under the title saying what is saved; none when empty
    QStringList nameFilters; // e.g. "CSV files (*.csv)"; empty: any file
    QString defaultSuffix;   // added to a name typed without one
};

// The platform's save panel: the chosen path, or none when the user cancels. Awaited on
// the main thread; the panel is modal for the user but runs no nested event loop.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    virtual QCoro::Task<std::optional<QString>> run(SavePanelRequest request) = 0;
};

} // namespace vantry
