#pragma once

#include <QString>

namespace vantry {

// Identity of the application as the desktop and the settings see it.
struct AppInfo {
    static QString applicationName() { return QStringLiteral("Vantry Capture"); }
    static QString organizationName() { return QStringLiteral("VantryCapture"); }
    static QString desktopFileName() { return QStringLiteral("vantry-capture"); }
    // The version CMake builds (the project version).
    static QString version() { return QStringLiteral(VANTRY_VERSION); }
};

} // namespace vantry
