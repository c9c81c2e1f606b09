#pragma once

#include "platform/DelayScheduler.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace vantry {

// The hand-off between starts of the application in one runtime folder. A process started
// while another runs (by the desktop, for a `vantrycapture://` sign-in callback, or by the
// user) hands its URL to the running one over a local socket and exits before it opens any
// store. That there is one process per data folder is the data folder's lock's to ensure.
//
// Wire form: the client writes one line (the URL, or nothing to ask the running process to
// come forward) ending in "\n"; the running process answers "ok\n" once it has taken it.
//
// The running process closes a peer once it has answered it, when the peer has sent no line
// within `PeerLimits::idleTimeout`, and (oldest first) when more than `maxOpenPeers` are
// open, so idle local clients cannot pile up descriptors.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    struct PeerLimits {
        std::chrono::milliseconds idleTimeout{5000};
        int maxOpenPeers = 8;
    };

    enum class Forward {
        delivered,  // the running process took the URL: exit now
        noInstance, // nobody listens: this process becomes the running one
        failed,     // a process listens but did not take it: exit without touching anything
    };

    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    // `scheduler` runs the idle timeouts and must outlive this object.
    SingleInstance(QString serverName, DelayScheduler& scheduler, PeerLimits limits, QObject* parent = nullptr);
    ~SingleInstance() override;

    // A socket in the user's runtime folder ($XDG_RUNTIME_DIR, owner-only), so each user has
    // an instance of their own.
    static QString defaultServerName();

    // The first argument after the program name that is a URL of `scheme`.
    static std::optional<QUrl> urlArgument(const QStringList& arguments, const QString& scheme);

    // Blocking hand-off for main(), before the event loop runs; an empty URL asks the running
    // process to come forward.
    static Forward forward(const QString& serverName, const QUrl& url, int timeoutMs = 3000);

    // Becomes the running process; a socket left by a crashed process is removed first.
    // False when another process is the running one (it won a race of two starts) or on failure.
    bool listen();
    QString serverName() const { return serverName_; }
    // Peers connected and not yet closed.
    int openPeerCount() const;

signals:
    void urlReceived(const QUrl& url);
    void activationRequested();

private:
    void acceptConnection();
    void readPeer(QLocalSocket* socket);

    QString serverName_;
    DelayScheduler& scheduler_;
    PeerLimits limits_;
    QList<QPointer<QLocalSocket>> peers_; // open peers, oldest first
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace vantry
