#pragma once

#include "app/review/CatalogImageCache.h"

#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

namespace vantry {

// A catalogue card image of a fixed size, loaded through the shared image cache: a grey
// placeholder (or, with `busyText`, a spinner) while it loads, the image scaled to fit once
// loaded, and on failure the placeholder or `failedText`. Never blocks: a slow or absent
// server leaves it in its loading or failed state.
class CatalogImageView : public QWidget {
    Q_OBJECT

public:
    struct Look {
        QSize size;
        qreal cornerRadius = 4;
        // Shown on failure instead of the placeholder; empty: the placeholder.
        QString failedText;
        // A spinner while loading instead of the placeholder.
        bool spinner = false;
    };

    CatalogImageView(std::shared_ptr<CatalogImageCache> cache, Look look, QWidget* parent = nullptr);

    // Starts showing `url` (none: the placeholder, for good).
    void setUrl(const std::optional<QUrl>& url);
    const std::optional<QUrl>& url() const { return url_; }
    CatalogImageCache::State state() const { return state_; }

    QSize sizeHint() const override { return look_.size; }

signals:
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void onSettled(const QUrl& url);
    void setState(CatalogImageCache::State state);

    std::shared_ptr<CatalogImageCache> cache_;
    Look look_;
    std::optional<QUrl> url_;
    CatalogImageCache::State state_ = CatalogImageCache::State::failed;
    QImage image_;
    int spinTimer_ = 0;
    int spinStep_ = 0;
};

} // namespace vantry
