#pragma once

#include <QString>

#include <vector>

namespace vantry::ScannerSettingsTexts {

// The scanner settings card's texts; those that depend on the direct-scan switch take it.

// One row of the recommended device settings; `key` rows are emphasised.
struct Setting {
    QString name;
    QString value;
    bool key = false;
};
// The table in display order.
const std::vector<Setting>& recommendedSettings();

QString title();
QString intro(bool directScanEnabled);
QString hardwareNote();
// The line under the speed: applied by the app, or a recommendation only.
QString appliedNote(bool directScanEnabled);
QString switchLabel();
QString switchNote(bool directScanEnabled);
QString tip();

} // namespace vantry::ScannerSettingsTexts
