#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace vantry {

// Catalogue card images for the review rows: each address is fetched once, decoded on the
// CPU pool and kept in a bounded memory cache, so a thumbnail shown by many rows, or shown
// again, costs nothing. Several views asking for the same address while it loads share one
// request. A failed load is not remembered: the next view that asks tries again.
// Main thread only.
class CatalogImageCache : public QObject {
    Q_OBJECT

public:
    enum class State { loading, loaded, failed };

    struct Options {
        // A server that stops sending fails the load after this long.
        std::chrono::milliseconds transferTimeout{20000};
        // Replies larger than this are no card image.
        qint64 maxImageBytes = 8 * 1024 * 1024;
        // Decoded images kept, in bytes.
        qint64 maxCacheBytes = 96 * 1024 * 1024;
    };

    explicit CatalogImageCache(QObject* parent = nullptr);
    CatalogImageCache(Options options, QObject* parent = nullptr);
    ~CatalogImageCache() override;

    // The cache of the process (created on first use, lives until exit).
    static std::shared_ptr<CatalogImageCache> shared();

    // The image when it is cached; otherwise starts loading it (unless it already loads) and
    // answers `loading`; `settled(url)` follows.
    State request(const QUrl& url);
    // The cached image, or a null image.
    QImage image(const QUrl& url) const;
    // Current state without starting anything: `failed` also for an address never asked for.
    State state(const QUrl& url) const;
    int loadsInFlight() const { return int(inFlight_.size()); }

signals:
    // The load of `url` ended: it is cached now, or it failed.
    void settled(const QUrl& url);

private:
    void finish(const QUrl& url, const QImage& image);

    Options options_;
    QNetworkAccessManager* network_;
    QCache<QUrl, QImage> images_;
    QHash<QUrl, int> inFlight_; // value unused; a set keyed like the cache
};

} // namespace vantry
