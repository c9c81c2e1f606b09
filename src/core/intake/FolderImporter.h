#pragma once

#include "core/intake/FolderPicker.h"
#include "core/card/ScannedCard.h"
#include "core/intake/LeftOutScanFile.h"

#include <QCoroTask>
#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// One-shot import of a scan folder.
namespace FolderImporter {

// Main thread. Shows the picker; none when cancelled.
QCoro::Task<std::optional<QString>> pickFolder(FolderPicker& picker, QString prompt, QString message);

// The folder's pages as cards, and the files that looked like pages but were left out (see
// cardsFromFolder). Logs one "folder-import" line, and one line for each file left out;
// never throws: a folder that cannot be read gives no cards.
struct FolderScan {
    std::vector<ScannedCard> cards;
    std::vector<LeftOutScanFile> leftOut;
};
FolderScan scan(const QString& folder, bool duplex);
// `scan`'s cards.
std::vector<ScannedCard> cards(const QString& folder, bool duplex);

} // namespace FolderImporter

} // namespace vantry
