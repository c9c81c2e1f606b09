#include "platform/FeedUpdater.h"

#include "platform/Appcast.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace vantry {

QUrl FeedUpdater::configuredFeed()
{
    return QUrl(QStringLiteral(VANTRY_UPDATE_FEED_URL));
}

FeedUpdater::FeedUpdater(QUrl feed, QString currentVersion, QObject* parent)
    : Updater(parent), feed_(std::move(feed)), currentVersion_(std::move(currentVersion)),
      network_(new QNetworkAccessManager(this))
{
}

FeedUpdater::~FeedUpdater()
{
    if (reply_)
        reply_->abort();
}

bool FeedUpdater::canCheckForUpdates() const
{
    return feed_.isValid() && !feed_.isEmpty() && !reply_;
}

void FeedUpdater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    QNetworkRequest request(feed_);
    request.setTransferTimeout(static_cast<int>(timeout_.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    emit canCheckForUpdatesChanged(false);
}

void FeedUpdater::finish(QNetworkReply* reply)
{
    reply->deleteLater();
    UpdateCheckResult result;
    result.currentVersion = currentVersion_;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->bytesAvailable() > maxFeedBytes || reply->size() > maxFeedBytes) {
        result.error = QStringLiteral("The update feed is too large.");
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        result.error = QStringLiteral("The update feed could not be read: it sent more than the expected size or did not answer in time.");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = QStringLiteral("The update feed could not be reached: ") + reply->errorString();
    } else if (status != 200) {
        result.error = QStringLiteral("The update feed answered with HTTP status ") + QString::number(status) + QLatin1Char('.');
    } else {
        const auto parsed = newestAppcastRelease(reply->readAll());
        if (const auto* release = std::get_if<AppcastRelease>(&parsed)) {
            result.newestVersion = release->version;
            if (isNewerVersion(release->version, currentVersion_)) {
                result.kind = UpdateCheckResult::Kind::available;
                result.downloadPage = release->downloadPage;
            } else {
                result.kind = UpdateCheckResult::Kind::upToDate;
            }
        } else {
            result.error = std::get<QString>(parsed);
        }
    }
    reply_.clear();
    emit canCheckForUpdatesChanged(canCheckForUpdates());
    emit checkFinished(result);
}

} // namespace vantry
