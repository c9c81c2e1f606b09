#pragma once

#include "core/records/TrainingLabel.h"

#include <vector>

namespace vantry {

// Counts over the training examples.
struct TrainingDataStats {
    int total = 0;
    int foil = 0;
    int nonfoil = 0;
    int etched = 0;
    int verified = 0;
    int autoAccepted = 0;

    bool operator==(const TrainingDataStats&) const = default;

    // Counted in memory: surge counts as foil here, so foil + nonfoil + etched == total.
    // (The store's own statistics count surge in none of the three.)
    static TrainingDataStats from(const std::vector<TrainingLabel>& labels);
};

} // namespace vantry
