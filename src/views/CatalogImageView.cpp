#include "views/CatalogImageView.h"

#include "views/Symbols.h"
#include "views/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>


namespace vantry {

CatalogImageView::CatalogImageView(std::shared_ptr<CatalogImageCache> cache, Look look, QWidget* parent)
    : QWidget(parent), cache_(std::move(cache)), look_(std::move(look))
{
    setObjectName(QStringLiteral("catalogImage"));
    setFixedSize(look_.size);
    connect(cache_.get(), &CatalogImageCache::settled, this, &CatalogImageView::onSettled);
}

void CatalogImageView::setUrl(const std::optional<QUrl>& url)
{
    if (url == url_ && state_ != CatalogImageCache::State::failed)
        return;
    url_ = url;
    image_ = QImage();
    if (!url_) {
        setState(CatalogImageCache::State::failed);
        return;
    }
    const auto state = cache_->request(*url_);
    if (state == CatalogImageCache::State::loaded)
        image_ = cache_->image(*url_);
    setState(state);
}

void CatalogImageView::onSettled(const QUrl& url)
{
    if (!url_ || url != *url_ || state_ != CatalogImageCache::State::loading)
        return;
    image_ = cache_->image(url);
    setState(image_.isNull() ? CatalogImageCache::State::failed : CatalogImageCache::State::loaded);
}

void CatalogImageView::setState(CatalogImageCache::State state)
{
    const bool spin = look_.spinner && state == CatalogImageCache::State::loading;
    if (spin && !spinTimer_)
        spinTimer_ = startTimer(80);
    if (!spin && spinTimer_) {
        killTimer(spinTimer_);
        spinTimer_ = 0;
    }
    const bool changed = state != state_;
    state_ = state;
    setAccessibleName(state == CatalogImageCache::State::loaded    ? QStringLiteral("Catalog image")
                      : state == CatalogImageCache::State::loading ? QStringLiteral("Loading catalog image")
                      : look_.failedText.isEmpty()                 ? QStringLiteral("No catalog image")
                                                                   : look_.failedText);
    update();
    if (changed)
        emit stateChanged();
}

void CatalogImageView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != spinTimer_)
        return QWidget::timerEvent(event);
    spinStep_ = (spinStep_ + 1) % 12;
    update();
}

void CatalogImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area = rect();
    if (state_ == CatalogImageCache::State::loaded && !image_.isNull()) {
        const QSizeF fitted = QSizeF(image_.size()).scaled(area.size(), Qt::KeepAspectRatio);
        const QRectF target(area.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
        QPainterPath clip;
        clip.addRoundedRect(target, look_.cornerRadius, look_.cornerRadius);
        p.setClipPath(clip);
        p.drawImage(target, image_);
        return;
    }
    if (state_ == CatalogImageCache::State::failed && !look_.failedText.isEmpty()) {
        QFont font = p.font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        p.setFont(font);
        p.setPen(Theme::secondaryText);
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, look_.failedText);
        return;
    }
    if (state_ == CatalogImageCache::State::loading && look_.spinner) {
        Symbols::paintSpinner(p, area.center(), 7, 12, 2.5, spinStep_);
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::placeholderFill);
    p.drawRoundedRect(area, look_.cornerRadius, look_.cornerRadius);
}

} // namespace vantry
