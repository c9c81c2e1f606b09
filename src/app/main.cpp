#include "app/AppInfo.h"
#include "app/views/MainWindow.h"
#include "core/CaptureLog.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantry::AppInfo::applicationName());
    QApplication::setOrganizationName(vantry::AppInfo::organizationName());
    QGuiApplication::setDesktopFileName(vantry::AppInfo::desktopFileName());

    vantry::MainWindow window;
    window.show();

    // Once the event loop runs, launching is over.
    QTimer::singleShot(0, &app, [] {
        vantry::CaptureLog::log(QStringLiteral("=== app launched ==="));
        vantry::CaptureLog::startHeartbeat();
    });
    const int status = app.exec();
    vantry::CaptureLog::flush();
    return status;
}
