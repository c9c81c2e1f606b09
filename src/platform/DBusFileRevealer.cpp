#include "platform/DBusFileRevealer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace vantry {

DBusFileRevealer::DBusFileRevealer(std::optional<QDBusConnection> bus, OpenUrl openUrl)
    : bus_(std::move(bus)), openUrl_(std::move(openUrl))
{
    if (!openUrl_)
        openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void DBusFileRevealer::reveal(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(absolute).absolutePath());
    const QDBusConnection bus = bus_ ? *bus_ : QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openUrl_(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromUtf8(QUrl::fromLocalFile(absolute).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, static_cast<int>(callTimeout.count())));
    // The answer may come after this object is gone: the watcher carries what it needs.
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [openUrl = openUrl_, folder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             openUrl(folder);
                         finished->deleteLater();
                     });
}

} // namespace vantry
