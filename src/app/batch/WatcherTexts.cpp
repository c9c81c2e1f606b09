#include "app/batch/WatcherTexts.h"

#include <QFileInfo>

namespace vantry::WatcherTexts {

namespace {

QString pluralS(int count) { return count == 1 ? QString() : QStringLiteral("s"); }

QString lastComponent(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFileInfo(path).fileName();
}

} // namespace

QString droppedDuplicatesToast(int count)
{
    return QStringLiteral("Dropped ") + QString::number(count) + QStringLiteral(" duplicate scan") + pluralS(count);
}

QString movedScansStatus(int count, const QString& destinationFolder)
{
    return QStringLiteral("Moved ") + QString::number(count) + QStringLiteral(" scan") + pluralS(count) +
           QStringLiteral(" into ") + lastComponent(destinationFolder) + QLatin1Char('.');
}

} // namespace vantry::WatcherTexts
