#pragma once

#include "core/records/TrainingLabel.h"

#include <QString>

#include <vector>

namespace vantry {

// The "labels.csv" of a training export. Fields are quoted like the scan CSVs, so a comma
// or a line break inside a value cannot shift the columns.
struct TrainingLabelCSV {
    static inline const QString header =
        QStringLiteral("id,scryfall_id,finish,verified,timestamp,thumbnail_filename,app_version");

    // One line without its line end.
    static QString row(const TrainingLabel& label);
    // The header and every row, each followed by a line feed.
    static QString render(const std::vector<TrainingLabel>& labels);
};

} // namespace vantry
