#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace vantry::paths {

namespace {

QString xdg(const char* variable, const char* fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    // The XDG rules ignore relative paths.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(homeDir() + QLatin1Char('/') + QLatin1String(fallbackUnderHome));
}

} // namespace

QString homeDir()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QDir::homePath() : QDir::cleanPath(home);
}

QString dataHome() { return xdg("XDG_DATA_HOME", ".local/share"); }
QString stateHome() { return xdg("XDG_STATE_HOME", ".local/state"); }
QString configHome() { return xdg("XDG_CONFIG_HOME", ".config"); }
QString cacheHome() { return xdg("XDG_CACHE_HOME", ".cache"); }

bool makeDir(const QString& path, unsigned mode)
{
    QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath() && !QFileInfo(parent).isDir()) {
        if (!QDir().mkpath(parent))
            return false;
    }
    const QByteArray native = QFile::encodeName(info.absoluteFilePath());
    if (::mkdir(native.constData(), static_cast<mode_t>(mode)) == 0)
        return true;
    return errno == EEXIST && QFileInfo(path).isDir();
}

QString appDataDir()
{
    const QString dir = dataHome() + QStringLiteral("/VantryCapture");
    makeDir(dir, 0700);
    return dir;
}

QString captureLogFile() { return stateHome() + QStringLiteral("/VantryCapture/capture.log"); }

QString settingsFile() { return configHome() + QStringLiteral("/VantryCapture/VantryCapture.conf"); }

} // namespace vantry::paths
