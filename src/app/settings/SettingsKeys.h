#pragma once

#include <QString>

namespace vantry::SettingsKeys {

// The user settings' keys, spelled as the settings file stores them.
inline const QString apiURL = QStringLiteral("vy.apiURL");
inline const QString workspaceId = QStringLiteral("vy.workspaceId");
inline const QString workspaceName = QStringLiteral("vy.workspaceName");
inline const QString duplex = QStringLiteral("vy.duplex");
inline const QString scanFolder = QStringLiteral("vy.scanFolder");
inline const QString scanSourceFolder = QStringLiteral("vy.scanSourceFolder");
inline const QString replaceScanFolder = QStringLiteral("vy.replaceScanFolder");
inline const QString autoThreshold = QStringLiteral("vy.autoThreshold");
inline const QString gapMin = QStringLiteral("vy.gapMin");
inline const QString directScanEnabled = QStringLiteral("vy.directScanEnabled");
inline const QString defaultCondition = QStringLiteral("vy.defaultCondition");
inline const QString defaultAcquisitionCost = QStringLiteral("vy.defaultAcquisitionCost");
inline const QString autoImport = QStringLiteral("vy.autoImport");
inline const QString binPrefix = QStringLiteral("vy.binPrefix");
inline const QString scanResolutionDpi = QStringLiteral("vy.scanResolutionDpi");
inline const QString reviewSort = QStringLiteral("vy.reviewSort");
// The sign-in service's address when it is not the build's (a local stand-in); no control edits it.
inline const QString authIssuer = QStringLiteral("vy.authIssuer");

} // namespace vantry::SettingsKeys
