#include "app/settings/SettingsTrainingModel.h"

#include "app/settings/SettingsTexts.h"
#include "core/records/TrainingDataStore.h"
#include "core/records/TrainingExporter.h"
#include "core/support/CPUWork.h"
#include "platform/SavePanel.h"

#include <QPointer>

namespace vantry {

SettingsTrainingModel::SettingsTrainingModel(std::shared_ptr<SavePanel> savePanel, QObject* parent)
    : QObject(parent), savePanel_(std::move(savePanel))
{
}

SettingsTrainingModel::~SettingsTrainingModel() = default;

void SettingsTrainingModel::setStore(std::shared_ptr<TrainingDataStore> store)
{
    if (store == store_)
        return;
    store_ = std::move(store);
    emit storeChanged();
    reload();
}

bool SettingsTrainingModel::actionsEnabled() const
{
    return SettingsTexts::trainingActionsEnabled(store_ != nullptr, stats_, isBusy());
}

QCoro::Task<> SettingsTrainingModel::reload()
{
    const quint64 generation = ++statsGeneration_;
    // Held by this frame until the read is back: the store outlives the work.
    const std::shared_ptr<TrainingDataStore> store = store_;
    if (!store) {
        setStats({});
        co_return;
    }
    QPointer<SettingsTrainingModel> self(this);
    TrainingDataStore* raw = store.get();
    const TrainingDataStats stats = co_await CPUWork::run([raw] { return raw->stats(); }, CPULane::interactive);
    if (!self || generation != statsGeneration_)
        co_return;
    setStats(stats);
}

QCoro::Task<> SettingsTrainingModel::exportLabels()
{
    const std::shared_ptr<TrainingDataStore> store = store_;
    if (!store || !savePanel_)
        co_return;
    QPointer<SettingsTrainingModel> self(this);
    setBusy(true);
    const std::optional<QString> folder = co_await TrainingExporter::runWithSavePanel(store, savePanel_);
    if (!self)
        co_return;
    setBusy(false);
    if (!folder)
        co_return;
    exportToast_ = SettingsTexts::exportToast(*folder);
    emit exportToastChanged();
}

QCoro::Task<> SettingsTrainingModel::wipe()
{
    const std::shared_ptr<TrainingDataStore> store = store_;
    if (!store)
        co_return;
    QPointer<SettingsTrainingModel> self(this);
    // A count read before the clear must not land after it.
    ++statsGeneration_;
    setBusy(true);
    TrainingDataStore* raw = store.get();
    co_await CPUWork::run([raw] { raw->wipe(); }, CPULane::interactive);
    if (!self)
        co_return;
    setBusy(false);
    if (store == store_)
        setStats({});
    else
        reload(); // the tab changed meanwhile; its store may share the cleared folder
}

void SettingsTrainingModel::setStats(const TrainingDataStats& stats)
{
    if (stats == stats_)
        return;
    stats_ = stats;
    emit statsChanged();
}

void SettingsTrainingModel::setBusy(bool busy)
{
    const bool was = isBusy();
    busy_ += busy ? 1 : -1;
    if (was != isBusy())
        emit busyChanged();
}

} // namespace vantry
