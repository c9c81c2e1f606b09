#pragma once

#include "core/records/TrainingDataStats.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace vantry {

class SavePanel;
class TrainingDataStore;

// The settings window's training section: the selected batch's label store, its counts,
// and export and clear. The store's calls block, so they run on the CPU pool; results come
// back to the main thread and are dropped when the store changed or the model went away
// meanwhile. Main thread only.
class SettingsTrainingModel : public QObject {
    Q_OBJECT
public:
    explicit SettingsTrainingModel(std::shared_ptr<SavePanel> savePanel, QObject* parent = nullptr);
    ~SettingsTrainingModel() override;

    const std::shared_ptr<TrainingDataStore>& store() const { return store_; }
    // Another store (a different tab selected): its counts are read afresh. The same store
    // again changes nothing.
    void setStore(std::shared_ptr<TrainingDataStore> store);

    const TrainingDataStats& stats() const { return stats_; }
    const std::optional<QString>& exportToast() const { return exportToast_; }
    // An export or a clear is running.
    bool isBusy() const { return busy_ > 0; }
    bool actionsEnabled() const;

    // Reads the counts of the current store (all zeros without one).
    QCoro::Task<> reload();
    // Asks for a folder and writes the export there; a success sets the toast.
    QCoro::Task<> exportLabels();
    // Deletes every label of the store; the counts become zeros without another read.
    QCoro::Task<> wipe();

signals:
    void storeChanged();
    void statsChanged();
    void exportToastChanged();
    void busyChanged();

private:
    void setStats(const TrainingDataStats& stats);
    void setBusy(bool busy);

    std::shared_ptr<SavePanel> savePanel_;
    std::shared_ptr<TrainingDataStore> store_;
    TrainingDataStats stats_;
    std::optional<QString> exportToast_;
    int busy_ = 0;
    // Moved on by every change of the store and by a clear: older reads are stale.
    quint64 statsGeneration_ = 0;
};

} // namespace vantry
