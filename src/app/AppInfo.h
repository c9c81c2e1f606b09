#pragma once

#include <QString>

namespace vantry {

// Identity of the application as the desktop and the settings see it.
struct AppInfo {
    static QString applicationName() { return QStringLiteral("Vantry Capture"); }
    static QString organizationName() { return QStringLiteral("VantryCapture"); }
    static QString desktopFileName() { return QStringLiteral("vantry-capture"); }
};

} // namespace vantry
