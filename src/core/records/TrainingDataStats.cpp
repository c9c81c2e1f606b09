#include "core/records/TrainingDataStats.h"

namespace vantry {

TrainingDataStats TrainingDataStats::from(const std::vector<TrainingLabel>& labels)
{
    TrainingDataStats stats;
    stats.total = int(labels.size());
    for (const TrainingLabel& label : labels) {
        switch (label.finish) {
        case ScanFinish::foil:
        case ScanFinish::surge: ++stats.foil; break;
        case ScanFinish::nonfoil: ++stats.nonfoil; break;
        case ScanFinish::etched: ++stats.etched; break;
        }
        if (label.verified)
            ++stats.verified;
    }
    stats.autoAccepted = stats.total - stats.verified;
    return stats;
}

} // namespace vantry
