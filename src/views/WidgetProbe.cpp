#include "views/WidgetProbe.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QWidget>

namespace vantry {

namespace {

QString widgetText(const QWidget* w)
{
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (const auto* t = qobject_cast<const QPlainTextEdit*>(w))
        return t->toPlainText();
    return {};
}

// The name the accessibility tree gives the widget: its accessible name, or what the widget
// shows (a button's text) when it has none.
QString accessibleName(QWidget* w)
{
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

} // namespace

WidgetProbe::WidgetProbe(const QString& socketPath, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);
    if (!server_->listen(socketPath))
        return;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                while (socket->canReadLine()) {
                    const QByteArray command = socket->readLine().trimmed();
                    if (command == "widgets")
                        socket->write(describeWidgets() + '\n');
                    else
                        socket->write("{\"error\":\"unknown command\"}\n");
                }
            });
        }
    });
}

bool WidgetProbe::listening() const
{
    return server_->isListening();
}

QByteArray WidgetProbe::describeWidgets()
{
    QJsonArray list;
    for (QWidget* w : QApplication::allWidgets()) {
        if (!w->isVisible())
            continue;
        const QString name = accessibleName(w);
        if (name.isEmpty())
            continue;
        const QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
        QJsonObject o{{"name", name},
                      {"object", w->objectName()},
                      {"class", QString::fromLatin1(w->metaObject()->className())},
                      {"text", widgetText(w)},
                      {"enabled", w->isEnabled()},
                      {"window", w->window()->windowTitle()},
                      {"x", topLeft.x()},
                      {"y", topLeft.y()},
                      {"w", w->width()},
                      {"h", w->height()}};
        if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable())
            o.insert("checked", b->isChecked());
        list.append(o);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

} // namespace vantry
