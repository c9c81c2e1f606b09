#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <algorithm>

#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "com.vantry.capture.instance", QtInfoMsg)

namespace vantry {

namespace {

// Long enough for any callback URL; a peer that sends more is dropped.
constexpr qsizetype maxLineBytes = 16 * 1024;
const QByteArray ack = QByteArrayLiteral("ok\n");

// The process at the other end runs as this user (the socket may sit in a shared folder).
bool peerIsThisUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : SingleInstance(std::move(serverName), QtDelayScheduler::shared(), PeerLimits{}, parent)
{
}

SingleInstance::SingleInstance(QString serverName, DelayScheduler& scheduler, PeerLimits limits, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)), scheduler_(scheduler), limits_(limits)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return runtime + QStringLiteral("/vantry-capture.socket");
}

std::optional<QUrl> SingleInstance::urlArgument(const QStringList& arguments, const QString& scheme)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QUrl url(arguments.at(i), QUrl::StrictMode);
        if (url.isValid() && url.scheme().compare(scheme, Qt::CaseInsensitive) == 0)
            return url;
    }
    return std::nullopt;
}

SingleInstance::Forward SingleInstance::forward(const QString& serverName, const QUrl& url, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return Forward::noInstance;
    // A sign-in callback is never handed to another user's process.
    if (!peerIsThisUser(socket)) {
        qCWarning(lcInstance) << "the instance socket belongs to another user; not handed over";
        socket.abort();
        return Forward::noInstance;
    }

    QByteArray line = url.isEmpty() ? QByteArray() : url.toEncoded();
    line.replace('\n', QByteArray()).replace('\r', QByteArray());
    line.append('\n');
    socket.write(line);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        qCWarning(lcInstance) << "hand-off to the running instance failed:" << socket.errorString();
        return Forward::failed;
    }
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            qCWarning(lcInstance) << "the running instance did not confirm the hand-off";
            return Forward::failed;
        }
        answer += socket.readAll();
        if (answer.size() > ack.size())
            break;
    }
    socket.disconnectFromServer();
    return answer == ack ? Forward::delivered : Forward::failed;
}

bool SingleInstance::listen()
{
    if (server_)
        return server_->isListening();
    // Listening replaces a socket file that is in the way, a live one too: when two starts both
    // found nobody, the lock decides which one listens (a crashed holder's lock counts as free).
    lock_ = std::make_unique<QLockFile>(serverName_ + QStringLiteral(".lock"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        qCWarning(lcInstance) << "another instance is running";
        return false;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    if (server_->listen(serverName_))
        return true;
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        // Nobody answered on it (forward() found no instance): a crashed process left it.
        QLocalServer::removeServer(serverName_);
        if (server_->listen(serverName_))
            return true;
    }
    qCWarning(lcInstance) << "cannot listen for other instances:" << server_->errorString();
    return false;
}

int SingleInstance::openPeerCount() const
{
    int open = 0;
    for (const QPointer<QLocalSocket>& peer : peers_)
        if (peer && peer->state() != QLocalSocket::UnconnectedState)
            ++open;
    return open;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        peers_.removeAll(nullptr);
        peers_.append(socket);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readPeer(socket); });
        // A peer gets a short while to say what it wants.
        scheduler_.after(limits_.idleTimeout, socket, [socket] {
            if (!socket->property("handled").toBool())
                socket->abort();
        });
        // Too many open at once: the oldest go first.
        while (peers_.size() > std::max(1, limits_.maxOpenPeers)) {
            const QPointer<QLocalSocket> oldest = peers_.takeFirst();
            if (oldest)
                oldest->abort();
        }
    }
}

void SingleInstance::readPeer(QLocalSocket* socket)
{
    if (socket->property("handled").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) {
        if (buffer.size() > maxLineBytes)
            socket->abort();
        else
            socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("handled", true);
    socket->setProperty("buffer", QVariant());
    const QByteArray line = buffer.left(end).trimmed();
    // Answered, then closed once the answer is out: a peer has one message.
    socket->write(ack);
    socket->disconnectFromServer();
    peers_.removeAll(socket);
    if (line.isEmpty()) {
        emit activationRequested();
        return;
    }
    const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
    if (url.isValid())
        emit urlReceived(url);
    else
        qCWarning(lcInstance) << "ignored a hand-off that is not a URL";
}

} // namespace vantry
