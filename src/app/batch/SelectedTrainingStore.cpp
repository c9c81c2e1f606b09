#include "app/batch/SelectedTrainingStore.h"

#include "app/batch/SessionStore.h"

namespace vantry {

std::shared_ptr<TrainingDataStore> selectedTrainingStore(const SessionStore& sessions)
{
    const std::shared_ptr<CaptureViewModel>& model = sessions.selected().viewModel();
    TrainingDataStore* store = model ? model->trainingStore() : nullptr;
    if (!store)
        return nullptr;
    return std::shared_ptr<TrainingDataStore>(model, store);
}

} // namespace vantry
