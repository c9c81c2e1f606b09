#pragma once

#include "core/intake/ScanResolution.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

class SettingsStore;

// A snapshot of the user settings with their defaults applied. Every operation that needs a
// setting reads a fresh one at that moment and drops it afterwards, so an edit in the
// settings applies to the next operation of every open batch. Nothing writes it back.
struct CaptureConfig {
    QString apiURL;
    QString workspaceId;
    QString workspaceName;
    bool duplex = false;
    QString scanFolder;
    bool replaceScanFolder = true;
    double autoThreshold = 0.92;
    double gapMin = 0.04;
    bool directScanEnabled = true;
    bool autoFoilDetect = false; // switched off; no setting
    QString defaultCondition = QStringLiteral("NM");
    std::optional<double> defaultAcquisitionCost;
    bool autoImport = false;
    QString binPrefix = QStringLiteral("A");
    qint64 scanResolutionDpi = 600;

    // The ranges the settings window's sliders offer; a stored value outside is read as the
    // nearest end (a gap of 0 or below as the default gap), so what the window shows is what
    // recognition uses.
    static constexpr double autoThresholdMinimum = 0.5;
    static constexpr double autoThresholdMaximum = 1.0;
    static constexpr double gapMinMinimum = 0.0;
    static constexpr double gapMinMaximum = 0.2;

    bool operator==(const CaptureConfig&) const = default;

    // The speed an in-app scan runs at: the case nearest to `scanResolutionDpi`.
    ScanResolution scanResolution() const;

    // The snapshot of `settings`.
    static CaptureConfig read(const SettingsStore& settings);
    // The snapshot of the process's settings (SettingsStore::standard()).
    static CaptureConfig current();

    // The inventory service used while "vy.apiURL" is absent (no trailing "/").
    static QString defaultApiURL();
    // The conditions a card may be imported with, in menu order.
    static const QStringList& conditions();
};

} // namespace vantry
