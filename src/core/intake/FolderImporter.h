#pragma once

#include "core/intake/FolderPicker.h"
#include "core/card/ScannedCard.h"

#include <QCoroTask>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// One-shot import of a scan folder.
namespace FolderImporter {

// Main thread. Shows the picker; none when cancelled.
QCoro::Task<std::optional<QString>> pickFolder(FolderPicker& picker, QString prompt, QString message);

// The folder's pages as cards. Logs one "folder-import" line; never throws: a folder that
// cannot be read gives no cards.
std::vector<ScannedCard> cards(const QString& folder, bool duplex);

} // namespace FolderImporter

} // namespace vantry
