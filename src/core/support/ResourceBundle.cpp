#include "core/support/ResourceBundle.h"

#include "core/support/CaptureLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace vantry {

namespace {

QString executableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

} // namespace

QStringList ResourceBundle::candidateDirs(const QString& exeDir, const QString& sourceDir)
{
    QStringList dirs{QDir::cleanPath(exeDir + QStringLiteral("/../share/vantry-capture")),
                     QDir::cleanPath(exeDir + QStringLiteral("/resources"))};
    if (!sourceDir.isEmpty())
        dirs << QDir::cleanPath(sourceDir + QStringLiteral("/resources"));
    return dirs;
}

std::optional<QString> ResourceBundle::findIn(const QStringList& dirs)
{
    for (const QString& dir : dirs) {
        const QFileInfo info(dir);
        if (info.isDir() && info.isReadable())
            return info.absoluteFilePath();
    }
    const QString message = QStringLiteral("unable to find bundle named VantryCapture_VantryCapture");
    CaptureLog::log(message);
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return std::nullopt;
}

std::optional<QString> ResourceBundle::module()
{
    static const std::optional<QString> found = [] {
#ifdef VANTRY_SOURCE_DIR
        const QString sourceDir = QStringLiteral(VANTRY_SOURCE_DIR);
#else
        const QString sourceDir;
#endif
        return findIn(candidateDirs(executableDir(), sourceDir));
    }();
    return found;
}

std::optional<QString> ResourceBundle::resourceIn(const std::optional<QString>& bundle, const QString& name,
                                                  const QString& extension)
{
    if (!bundle)
        return std::nullopt;
    const QString path = *bundle + QLatin1Char('/') + name + QLatin1Char('.') + extension;
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

std::optional<QString> ResourceBundle::resourcePath(const QString& name, const QString& extension)
{
    return resourceIn(module(), name, extension);
}

} // namespace vantry
