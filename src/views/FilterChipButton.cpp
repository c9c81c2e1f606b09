#include "views/FilterChipButton.h"

#include "views/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vantry {

namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 4;
constexpr int spacing = 4;

} // namespace

FilterChipButton::FilterChipButton(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void FilterChipButton::setChip(const QString& icon, const QString& label, qint64 count, bool active)
{
    const bool resized = icon != icon_ || label != text() || count != count_;
    icon_ = icon;
    count_ = count;
    active_ = active;
    setText(label);
    setAccessibleName(QStringLiteral("%1, %2").arg(label, QString::number(count)));
    setAccessibleDescription(active ? QStringLiteral("selected") : QString());
    if (resized)
        updateGeometry();
    update();
}

QFont FilterChipButton::countFont() const { return Theme::font(this, Theme::Size::caption, true); }

QFont FilterChipButton::iconFont() const { return Theme::font(this, Theme::Size::caption); }

QSize FilterChipButton::sizeHint() const
{
    const QFontMetrics label(font());
    const QFontMetrics count(countFont());
    int width = label.horizontalAdvance(text()) + spacing + count.horizontalAdvance(QString::number(count_));
    if (!icon_.isEmpty())
        width += QFontMetrics(iconFont()).horizontalAdvance(icon_) + spacing;
    return {width + 2 * horizontalPadding + 2, label.height() + 2 * verticalPadding + 2};
}

void FilterChipButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = Theme::color(this, Theme::Tone::accent);
    QColor fill = active_ ? accent : Theme::neutral;
    fill.setAlphaF(active_ ? 0.25 : (isDown() ? 0.2 : 0.1));
    QColor outline = active_ ? accent : Theme::neutral;
    if (!active_)
        outline.setAlphaF(0.2);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    if (hasFocus()) {
        p.setPen(QPen(accent, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(capsule.adjusted(2, 2, -2, -2), capsule.height() / 2 - 2, capsule.height() / 2 - 2);
    }

    int x = horizontalPadding + 1;
    const QRect band = rect().adjusted(0, verticalPadding, 0, -verticalPadding);
    auto draw = [&](const QFont& font, const QColor& colour, const QString& text) {
        p.setFont(font);
        p.setPen(colour);
        const int w = QFontMetrics(font).horizontalAdvance(text);
        p.drawText(QRect(x, band.top(), w, band.height()), Qt::AlignVCenter | Qt::AlignLeft, text);
        x += w + spacing;
    };
    const QColor primary = palette().color(QPalette::WindowText);
    if (!icon_.isEmpty())
        draw(iconFont(), primary, icon_);
    draw(font(), primary, text());
    draw(countFont(), Theme::color(this, Theme::Tone::secondary), QString::number(count_));
}

} // namespace vantry
