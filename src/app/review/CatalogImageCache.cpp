#include "app/review/CatalogImageCache.h"

#include "core/support/CPUWork.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace vantry {

CatalogImageCache::CatalogImageCache(QObject* parent) : CatalogImageCache(Options{}, parent) {}

CatalogImageCache::CatalogImageCache(Options options, QObject* parent)
    : QObject(parent), options_(options), network_(new QNetworkAccessManager(this))
{
    images_.setMaxCost(qsizetype(std::max<qint64>(options_.maxCacheBytes / 1024, 1))); // cost in KiB
}

CatalogImageCache::~CatalogImageCache() = default;

std::shared_ptr<CatalogImageCache> CatalogImageCache::shared()
{
    // Owned by the application object, so its network manager ends before Qt does.
    static QPointer<CatalogImageCache> alive;
    static std::shared_ptr<CatalogImageCache> handle;
    if (!alive) {
        alive = new CatalogImageCache(QCoreApplication::instance());
        handle = std::shared_ptr<CatalogImageCache>(alive.data(), [](CatalogImageCache*) {});
    }
    return handle;
}

CatalogImageCache::State CatalogImageCache::state(const QUrl& url) const
{
    if (images_.contains(url))
        return State::loaded;
    return inFlight_.contains(url) ? State::loading : State::failed;
}

QImage CatalogImageCache::image(const QUrl& url) const
{
    const QImage* cached = images_.object(url);
    return cached ? *cached : QImage();
}

CatalogImageCache::State CatalogImageCache::request(const QUrl& url)
{
    if (images_.contains(url))
        return State::loaded;
    if (inFlight_.contains(url))
        return State::loading;
    if (!url.isValid())
        return State::failed;
    inFlight_.insert(url, 0);
    QNetworkRequest request(url);
    request.setTransferTimeout(int(options_.transferTimeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network_->get(request);
    const qint64 limit = options_.maxImageBytes;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, limit](qint64 received, qint64) {
        if (received > limit)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status != 200) {
            finish(url, QImage());
            return;
        }
        // Decoding a card image takes a few milliseconds: off the main thread.
        QPointer<CatalogImageCache> self(this);
        CPUWork::submit(
            [self, url, bytes = reply->readAll()] {
                QImage decoded;
                decoded.loadFromData(bytes);
                if (!decoded.isNull())
                    decoded = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, url, decoded] {
                        if (self)
                            self->finish(url, decoded);
                    },
                    Qt::QueuedConnection);
            },
            CPULane::interactive);
    });
    return State::loading;
}

void CatalogImageCache::finish(const QUrl& url, const QImage& image)
{
    inFlight_.remove(url);
    if (!image.isNull())
        images_.insert(url, new QImage(image), qsizetype(std::max<qint64>(image.sizeInBytes() / 1024, 1)));
    emit settled(url);
}

} // namespace vantry
