#pragma once

#include <QString>

// What the batch says about the watcher's hand-overs.
namespace vantry::WatcherTexts {

QString droppedDuplicatesToast(int count);
QString movedScansStatus(int count, const QString& destinationFolder);

} // namespace vantry::WatcherTexts
