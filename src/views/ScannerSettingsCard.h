#pragma once

#include <QWidget>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QHBoxLayout;
class QLabel;

namespace vantry {

class SettingsStore;

// How to set up the sheet-fed scanner: the recommended device settings, the scan speed
// ("vy.scanResolutionDpi") and whether the app drives the scanner ("vy.directScanEnabled").
// Both are written at once by the user's choice and followed live when written elsewhere.
// Self-contained: any screen can show it.
class ScannerSettingsCard : public QWidget {
    Q_OBJECT
public:
    explicit ScannerSettingsCard(std::shared_ptr<SettingsStore> settings, QWidget* parent = nullptr);
    ~ScannerSettingsCard() override;

    static constexpr int maximumCardWidth = 420;

private:
    QHBoxLayout* buildHeader();
    QFrame* buildSpeedPanel();
    QWidget* buildSpeedPicker(QWidget* speed);
    QFrame* buildRecommendedSettings();
    QHBoxLayout* buildTip();
    void followSettings();
    void showResolution();
    void showDirectScan();

    std::shared_ptr<SettingsStore> settings_;
    QLabel* intro_ = nullptr;
    QLabel* speedValue_ = nullptr;
    QButtonGroup* speeds_ = nullptr;
    QLabel* speedDetail_ = nullptr;
    QLabel* appliedIcon_ = nullptr;
    QLabel* appliedNote_ = nullptr;
    QCheckBox* directScan_ = nullptr;
    QLabel* switchNote_ = nullptr;
};

} // namespace vantry
