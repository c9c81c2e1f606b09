#pragma once

#include "platform/Updater.h"

#include <QPointer>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace vantry {

// Checks an appcast feed over HTTP(S). It never installs anything: packages update through
// the system, so a newer release is only reported with its download page. Without a feed
// address it can never check.
class FeedUpdater final : public Updater {
    Q_OBJECT
public:
    // The feed address set at build time (empty when none is configured).
    static QUrl configuredFeed();

    FeedUpdater(QUrl feed, QString currentVersion, QObject* parent = nullptr);
    ~FeedUpdater() override;

    bool canCheckForUpdates() const override;
    void checkForUpdates() override;

    // A feed that sends nothing for this long fails the check (30 s).
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    // A feed larger than this is refused (1 MiB): an appcast is a few kilobytes.
    static constexpr qint64 maxFeedBytes = 1 << 20;

private:
    void finish(QNetworkReply* reply);

    const QUrl feed_;
    const QString currentVersion_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    std::chrono::milliseconds timeout_{30'000};
};

} // namespace vantry
