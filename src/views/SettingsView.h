#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QMessageBox;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vantry {

class AlertPrompter;
class AuthService;
class SavePanel;
class SettingsStore;
class SettingsTrainingModel;
class TrainingDataStore;
struct UnimportedWork;

// The settings window's content: every control bound to its settings key (written at once,
// nothing on show), the account with sign-out, and the selected batch's training labels
// with export and clear. Sign Out asks first when confirmed or hand-added cards are not
// imported yet.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    SettingsView(AuthService& auth, std::shared_ptr<SettingsStore> settings, std::shared_ptr<SavePanel> savePanel,
                 std::shared_ptr<TrainingDataStore> trainingStore, QWidget* parent = nullptr);
    ~SettingsView() override;

    // The selected tab changed: its store's counts are read again.
    void setTrainingStore(std::shared_ptr<TrainingDataStore> store);
    SettingsTrainingModel& training() const { return *training_; }
    // The batches' work not imported yet; until one is set, none.
    void setUnimportedWork(std::function<UnimportedWork()> work);

    QSize sizeHint() const override;

private:
    QWidget* accountSection();
    QWidget* destinationSection();
    QWidget* sessionDefaultsSection();
    QWidget* recognitionSection();
    QWidget* scannerSection();
    QWidget* trainingSection();
    QWidget* footerSection();

    void showAccount();
    void showTraining();
    void confirmWipe();
    void requestSignOut();

    AuthService& auth_;
    std::shared_ptr<SettingsStore> settings_;
    SettingsTrainingModel* training_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;

    QLabel* email_ = nullptr;
    QPushButton* signOut_ = nullptr;
    QLabel* labelsCollected_ = nullptr;
    QLabel* byFinish_ = nullptr;
    QLabel* verified_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* clear_ = nullptr;
    QLabel* exportToast_ = nullptr;
    QLabel* trainingNote_ = nullptr;
    QPointer<QMessageBox> wipeAlert_;
    std::function<UnimportedWork()> unimportedWork_;
    std::unique_ptr<AlertPrompter> prompter_;
};

} // namespace vantry
