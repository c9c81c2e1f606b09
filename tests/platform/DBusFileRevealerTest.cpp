#include "platform/DBusFileRevealer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vantry {
namespace {

// A session bus of the test's own, with no service activation: nothing on the machine can
// answer but the fake file manager below.
class PrivateBus {
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !dir_.isValid())
            return;
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:dir=" +
                     dir_.path().toUtf8() +
                     "</listen><auth>EXTERNAL</auth>"
                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        process_.start(daemon, {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                                QStringLiteral("--config-file=") + config.fileName()});
        while (process_.state() != QProcess::NotRunning && !process_.canReadLine())
            process_.waitForReadyRead(100);
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        process_.kill();
        process_.waitForFinished();
    }
    bool running() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name)
    {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString address_;
    QStringList names_;
};

// Records ShowItems calls and answers them as a file manager does.
class FakeFileManager final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.FileManager1") ||
            message.member() != QLatin1String("ShowItems"))
            return false;
        const QVariantList args = message.arguments();
        calls.push_back(args.value(0).toStringList());
        connection.send(message.createReply());
        return true;
    }
    std::vector<QStringList> calls;
};

TEST(DBusFileRevealer, AsksTheFileManagerToSelectTheFileAndOpensTheFolderWhenNoneAnswers)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection fileManagerSide = bus.connect(QStringLiteral("file-manager"));
    FakeFileManager fileManager;
    ASSERT_TRUE(fileManagerSide.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager));
    ASSERT_TRUE(fileManagerSide.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QList<QUrl> opened;
    DBusFileRevealer revealer(bus.connect(QStringLiteral("app")), [&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    revealer.reveal(QStringLiteral("/tmp/exports/vantry scan.csv"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileManager.calls.empty(); }));
    EXPECT_EQ(fileManager.calls.front(), QStringList{"file:///tmp/exports/vantry%20scan.csv"});
    // A successful call opens nothing: a round trip on the same connection brings the
    // file manager's reply in first.
    QDBusConnection(QStringLiteral("app")).call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty());

    // No file manager on the bus: the file's folder opens instead.
    fileManagerSide.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    revealer.reveal(QStringLiteral("/tmp/exports/vantry scan.csv"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile("/tmp/exports")});
    EXPECT_EQ(fileManager.calls.size(), 1u);
}

TEST(DBusFileRevealer, WithoutABusTheFolderOpensAtOnce)
{
    QList<QUrl> opened;
    DBusFileRevealer revealer(QDBusConnection(QStringLiteral("never-connected")), [&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    revealer.reveal(QStringLiteral("/tmp/exports/cards.csv"));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile("/tmp/exports")});
}

} // namespace
} // namespace vantry
