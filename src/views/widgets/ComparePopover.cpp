#include "views/widgets/ComparePopover.h"

#include "app/review/CardRowTexts.h"
#include "views/CatalogImageView.h"
#include "views/Theme.h"
#include "views/widgets/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace vantry {

namespace T = CardRowTexts;
using Row = CaptureViewModel::Row;

using Theme::scaled;
using Theme::setTextColor;

ComparePopover::ComparePopover(std::shared_ptr<CatalogImageCache> images, QString imageBase, QWidget* row)
    : QFrame(row, Qt::Popup), images_(std::move(images)), imageBase_(std::move(imageBase))
{
    setObjectName(QStringLiteral("comparePopover"));
    setAccessibleName(QStringLiteral("Compare scan and matched card"));
    setFrameShape(QFrame::StyledPanel);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(14, 14, 14, 14);
    col->setSpacing(8);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->setAlignment(Qt::AlignTop);
    const QFont caption = scaled(row->font(), 0.85);

    auto* scanColumn = new QVBoxLayout;
    scanColumn->setSpacing(4);
    auto* scanned = new QLabel(T::zoomScannedCaption(), this);
    scanned->setFont(caption);
    setTextColor(scanned, Theme::color(T::Tint::secondary));
    scanColumn->addWidget(scanned);
    scan_ = new QLabel(this);
    scan_->setObjectName(QStringLiteral("zoomScan"));
    scan_->setFixedSize(T::zoomWidth, T::zoomHeight);
    scan_->setAlignment(Qt::AlignCenter);
    scanColumn->addWidget(scan_);
    columns->addLayout(scanColumn);

    matchedColumn_ = new QWidget(this);
    auto* matched = new QVBoxLayout(matchedColumn_);
    matched->setContentsMargins(0, 0, 0, 0);
    matched->setSpacing(4);
    matchedCaption_ = new ElidedLabel(Qt::ElideRight, matchedColumn_);
    matchedCaption_->setFont(caption);
    matchedCaption_->setMaximumWidth(T::zoomWidth);
    setTextColor(matchedCaption_, Theme::color(T::Tint::secondary));
    matched->addWidget(matchedCaption_);
    catalog_ = new CatalogImageView(images_, {QSize(T::zoomWidth, T::zoomHeight), 8, T::catalogImageUnavailable(), true},
                                    matchedColumn_);
    catalog_->setObjectName(QStringLiteral("zoomCatalog"));
    matched->addWidget(catalog_);
    columns->addWidget(matchedColumn_, 0, Qt::AlignTop);
    col->addLayout(columns);

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("zoomCaption"));
    caption_->setTextFormat(Qt::PlainText);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setStyleSheet(QStringLiteral("QLabel { color: %1; font-family: 'DejaVu Sans Mono', monospace; }")
                                .arg(Theme::css(Theme::secondaryText)));
    col->addWidget(caption_);
}

void ComparePopover::setRow(const Row& row)
{
    showScan(row);
    const auto url = T::zoomCatalogUrl(row, imageBase_);
    matchedColumn_->setVisible(url.has_value());
    if (url) {
        matchedCaption_->setFullText(T::zoomMatchedCaption(*row.chosen));
        catalog_->setUrl(url);
    }
    caption_->setText(T::thumbnailCaption(row));
    adjustSize();
}

void ComparePopover::showScan(const Row& row)
{
    // Decoded again only when the model's scan data changed (redraws come often).
    const auto key = std::tuple(row.zoomImageData ? row.zoomImageData->constData() : nullptr,
                                row.zoomImageData ? row.zoomImageData->size() : 0,
                                row.thumbnail ? row.thumbnail->cacheKey() : 0);
    if (key == scanKey_)
        return;
    scanKey_ = key;
    QImage scan;
    if (row.zoomImageData)
        scan.loadFromData(*row.zoomImageData);
    if (scan.isNull() && row.thumbnail)
        scan = *row.thumbnail;
    if (scan.isNull()) {
        scan_->setPixmap(QPixmap());
        scan_->setStyleSheet(
            QStringLiteral("QLabel { background: %1; border-radius: 8px; }").arg(Theme::css(Theme::placeholderFill)));
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap fitted =
        QPixmap::fromImage(scan.scaled(scan_->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    fitted.setDevicePixelRatio(ratio);
    scan_->setStyleSheet(QString());
    scan_->setPixmap(fitted);
}

void ComparePopover::moveBeside(const QWidget* anchor)
{
    QPoint at = anchor->mapToGlobal(QPoint(anchor->width() + 8, 0));
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() - width())));
        at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() - height())));
    }
    move(at);
}

void ComparePopover::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    emit hidden();
}

} // namespace vantry
