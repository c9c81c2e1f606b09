#pragma once

#include "core/records/TrainingLabel.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vantry {

class SavePanel;
class TrainingDataStore;

// Turns the training examples into a self-describing folder: "labels.csv", "thumbnails/"
// and "README.txt".
struct TrainingExporter {
    // Asks for the export folder ("vantry-foil-training-<yyyyMMdd-HHmmss>" proposed), then
    // writes it on the CPU pool. The folder's path, or none when the user cancelled or
    // writing failed.
    static QCoro::Task<std::optional<QString>> runWithSavePanel(std::shared_ptr<TrainingDataStore> store,
                                                                std::shared_ptr<SavePanel> panel,
                                                                QDateTime now = QDateTime::currentDateTime());

    // Writes the folder; the first failure ends it with false and leaves what was written.
    // A label whose thumbnail is missing from the store (or whose name would leave the
    // thumbnails folder) is listed in the CSV but has no copy.
    static bool write(const std::vector<TrainingLabel>& labels, const TrainingDataStore& store, const QString& folder);

    static QString proposedName(const QDateTime& now);
    static QString readmeText(qsizetype labelCount);
};

} // namespace vantry
