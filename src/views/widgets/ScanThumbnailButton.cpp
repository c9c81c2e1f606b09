#include "views/widgets/ScanThumbnailButton.h"

#include "app/review/CardRowTexts.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace vantry {

namespace T = CardRowTexts;

ScanThumbnailButton::ScanThumbnailButton(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    captionFont_ = QFont(QStringLiteral("DejaVu Sans Mono"));
    captionFont_.setStyleHint(QFont::Monospace);
    captionFont_.setPointSizeF(font().pointSizeF() * 0.72);
    setFixedSize(sizeHint());
}

void ScanThumbnailButton::setScan(const std::optional<QImage>& image, const QString& caption)
{
    const qint64 key = image ? image->cacheKey() : 0;
    if (key == imageKey_ && caption == caption_)
        return;
    imageKey_ = key;
    image_ = image.value_or(QImage());
    scaled_ = QPixmap();
    caption_ = caption;
    setAccessibleName(QStringLiteral("Compare scan ") + caption);
    update();
}

QSize ScanThumbnailButton::sizeHint() const
{
    return {T::thumbnailWidth, T::thumbnailHeight + 3 + QFontMetrics(captionFont_).height()};
}

QRect ScanThumbnailButton::imageRect() const { return {0, 0, T::thumbnailWidth, T::thumbnailHeight}; }

QRect ScanThumbnailButton::captionRect() const
{
    return {0, T::thumbnailHeight + 3, T::thumbnailWidth, QFontMetrics(captionFont_).height()};
}

bool ScanThumbnailButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), captionRect().contains(help->pos()) ? caption_ : T::thumbnailHelp(),
                           this);
        return true;
    }
    return QAbstractButton::event(event);
}

void ScanThumbnailButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area = imageRect();
    QPainterPath clip;
    clip.addRoundedRect(QRectF(area), 6, 6);
    p.save();
    p.setClipPath(clip);
    if (image_.isNull()) {
        p.fillRect(area, Theme::placeholderFill);
    } else {
        const qreal ratio = devicePixelRatioF();
        if (scaled_.isNull() || scaled_.devicePixelRatio() != ratio) {
            const QSize fitted = image_.size().scaled(area.size() * ratio, Qt::KeepAspectRatio);
            scaled_ = QPixmap::fromImage(image_.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            scaled_.setDevicePixelRatio(ratio);
        }
        const QSizeF logical = QSizeF(scaled_.size()) / ratio;
        p.drawPixmap(QPointF(area.center().x() + 1 - logical.width() / 2, area.center().y() + 1 - logical.height() / 2),
                     scaled_);
    }
    p.restore();
    const int glass = 22;
    p.drawPixmap(area.right() - glass - 4, area.bottom() - glass - 4,
                 Symbols::magnifierBadge(glass, devicePixelRatioF()));
    if (hasFocus() && keyboardFocus_) {
        p.setPen(QPen(Theme::color(T::Tint::blue), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(area).adjusted(1, 1, -1, -1), 6, 6);
    }
    p.setFont(captionFont_);
    p.setPen(Theme::color(T::Tint::secondary));
    const QRect caption = captionRect();
    p.drawText(caption, Qt::AlignCenter,
               QFontMetrics(captionFont_).elidedText(caption_, Qt::ElideMiddle, caption.width()));
}

void ScanThumbnailButton::focusInEvent(QFocusEvent* event)
{
    // A ring only for focus that came by keyboard, not the window's first focus.
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

} // namespace vantry
