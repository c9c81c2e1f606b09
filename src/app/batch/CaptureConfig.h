#pragma once

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

    bool operator==(const CaptureConfig&) const = default;

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
