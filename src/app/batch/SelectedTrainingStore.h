#pragma once

#include <memory>

namespace vantry {

class SessionStore;
class TrainingDataStore;

// The training store of the selected tab, sharing ownership of that tab's model so that the
// store outlives work running on it after the tab closes; none when it cannot be opened.
std::shared_ptr<TrainingDataStore> selectedTrainingStore(const SessionStore& sessions);

} // namespace vantry
