#include "views/CaptureBanner.h"

#include "views/ReturnKey.h"
#include "views/Theme.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantry {

CaptureBanner::CaptureBanner(const QString& objectName, const QString& symbol, QColor colour, int backgroundPercent,
                             const QString& dismissHelp, DividerEdge divider, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_StyledBackground);
    const QString background = Theme::css(Theme::withAlpha(colour, qRound(255 * backgroundPercent / 100.0)));
    const QString edge = divider == DividerEdge::bottom ? QStringLiteral("border-bottom") : QStringLiteral("border-top");
    setStyleSheet(QStringLiteral("#%1 { background: %2; %3: 1px solid %4; }")
                      .arg(objectName, background, edge, Theme::css(Theme::separator)));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);
    symbol_ = new QLabel(symbol, this);
    symbol_->setObjectName(QStringLiteral("bannerSymbol"));
    symbol_->setStyleSheet(
        QStringLiteral("QLabel { color: %1; font-size: 16px; font-weight: bold; }").arg(colour.name()));
    symbol_->setFixedWidth(20);
    symbol_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    row->addWidget(symbol_, 0, Qt::AlignTop);

    column_ = new QVBoxLayout;
    column_->setSpacing(4);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("bannerTitle"));
    title_->setWordWrap(true);
    QFont headline = title_->font();
    headline.setBold(true);
    title_->setFont(headline);
    body_ = new QLabel(this);
    body_->setObjectName(QStringLiteral("bannerBody"));
    body_->setWordWrap(true);
    body_->hide();
    column_->addWidget(title_);
    column_->addWidget(body_);
    row->addLayout(column_, 1);

    dismiss_ = new QToolButton(this);
    dismiss_->setObjectName(QStringLiteral("bannerDismiss"));
    dismiss_->setText(QStringLiteral("✕"));
    dismiss_->setAutoRaise(true);
    dismiss_->setToolTip(dismissHelp);
    dismiss_->setAccessibleName(dismissHelp);
    dismiss_->setStyleSheet(
        QStringLiteral("QToolButton { border: none; color: %1; }").arg(Theme::css(Theme::tertiaryText)));
    ReturnKey::clicks(dismiss_);
    connect(dismiss_, &QToolButton::clicked, this, &CaptureBanner::dismissed);
    row->addWidget(dismiss_, 0, Qt::AlignTop);
}

void CaptureBanner::setSymbol(const QPixmap& symbol)
{
    symbol_->setPixmap(symbol);
}

void CaptureBanner::setTitle(const QString& text)
{
    title_->setText(text);
    setAccessibleName(text);
}

QLabel* CaptureBanner::setBody(const QString& text, bool monospaced, bool secondary)
{
    body_->setTextFormat(Qt::PlainText);
    body_->setText(text);
    body_->show();
    if (monospaced) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(font.pointSizeF() * 0.9);
        body_->setFont(font);
        body_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    if (secondary)
        body_->setStyleSheet(Theme::labelColor(Theme::secondaryText));
    return body_;
}

} // namespace vantry
