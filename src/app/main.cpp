#include "app/AppInfo.h"
#include "app/views/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantry::AppInfo::applicationName());
    QApplication::setOrganizationName(vantry::AppInfo::organizationName());
    QGuiApplication::setDesktopFileName(vantry::AppInfo::desktopFileName());

    vantry::MainWindow window;
    window.show();
    return app.exec();
}
