#include "views/Theme.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace vantry::Theme {

QColor color(CardRowTexts::Tint tint)
{
    using T = CardRowTexts::Tint;
    switch (tint) {
    case T::primary: return primaryText;
    case T::secondary: return secondaryText;
    case T::tertiary: return tertiaryText;
    case T::green: return QColor(0x28, 0xa7, 0x45);
    case T::orange: return QColor(0xe0, 0x7b, 0x00);
    case T::red: return QColor(0xe0, 0x30, 0x26);
    case T::purple: return QColor(0x9a, 0x3c, 0xc8);
    case T::blue: return QColor(0x0a, 0x7a, 0xff);
    case T::teal: return QColor(0x1f, 0x9e, 0xa8);
    }
    return primaryText;
}

QColor color(RecountLine::Tone tone)
{
    using T = RecountLine::Tone;
    switch (tone) {
    case T::secondary: return secondaryText;
    case T::orange: return recountOrange;
    case T::green: return recountGreen;
    case T::red: return recountRed;
    }
    return secondaryText;
}

QColor withAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

QString css(const QColor& c)
{
    if (c.alpha() == 255)
        return c.name();
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

QString css(const QColor& colour, int alpha) { return css(withAlpha(colour, alpha)); }

QFont font(const QWidget* widget, Size size, bool bold)
{
    QFont f = widget->font();
    const qreal base = f.pointSizeF() > 0 ? f.pointSizeF() : 10.0;
    switch (size) {
    case Size::body:
        break;
    case Size::callout:
        f.setPointSizeF(base * 0.95);
        break;
    case Size::caption:
        f.setPointSizeF(base * 0.85);
        break;
    case Size::caption2:
        f.setPointSizeF(base * 0.8);
        break;
    }
    f.setBold(bold); // always explicit: a bold group title must not leak into its rows
    return f;
}

QColor color(const QWidget* widget, Tone tone)
{
    const QPalette& p = widget->palette();
    const QColor text = p.color(QPalette::WindowText);
    const QColor window = p.color(QPalette::Window);
    auto mix = [&](qreal share) {
        return QColor::fromRgbF(text.redF() * share + window.redF() * (1 - share),
                                text.greenF() * share + window.greenF() * (1 - share),
                                text.blueF() * share + window.blueF() * (1 - share));
    };
    switch (tone) {
    case Tone::primary:
        return text;
    case Tone::secondary:
        return mix(0.62);
    case Tone::tertiary:
        return mix(0.45);
    case Tone::accent:
        return p.color(QPalette::Highlight);
    case Tone::green:
        return settingsGreen;
    case Tone::destructive:
        return settingsDestructive;
    }
    return text;
}

QFont scaled(QFont font, double factor, int weight)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    if (weight >= 0)
        font.setWeight(QFont::Weight(weight));
    return font;
}

void setTextColor(QWidget* widget, const QColor& colour)
{
    // The disabled texts keep the palette's own colour: a disabled red button drawn in full
    // red looked as if it could be pressed.
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::Text, colour);
        palette.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(palette);
}

void setTone(QWidget* widget, Tone tone) { setTextColor(widget, color(widget, tone)); }

QLabel* label(const QString& text, const QString& objectName, Size size, Tone tone, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setAccessibleName(text);
    l->setWordWrap(true);
    l->setFont(font(l, size));
    setTone(l, tone);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel* note(const QString& text, const QString& objectName, QWidget* parent)
{
    return label(text, objectName, Size::caption, Tone::secondary, parent);
}

QLabel* notice(const QString& objectName, const QString& accessibleName, const QColor& tint, QWidget* parent)
{
    auto* notice = new QLabel(parent);
    notice->setObjectName(objectName);
    notice->setAccessibleName(accessibleName);
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignHCenter);
    notice->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: 8px; padding: 10px 14px; }")
                              .arg(objectName, css(tint, 36)));
    notice->hide();
    return notice;
}

QString labelColor(const QColor& colour) { return QStringLiteral("QLabel { color: %1; }").arg(css(colour)); }

QString clearBackground(const QString& selectors)
{
    return QStringLiteral("%1 { background: %2; }").arg(selectors, css(clear));
}

QString segmentStyle(const QWidget* widget, bool first, bool last, int horizontalPadding)
{
    return QStringLiteral("QToolButton { border: 1px solid %1; %2 padding: 3px %3px; background: palette(base); "
                          "border-top-left-radius: %4px; border-bottom-left-radius: %4px; "
                          "border-top-right-radius: %5px; border-bottom-right-radius: %5px; }"
                          "QToolButton:checked { background: %6; color: %7; }")
        .arg(color(widget, Tone::tertiary).name(), first ? QString() : QStringLiteral("border-left: none;"))
        .arg(horizontalPadding)
        .arg(first ? 5 : 0)
        .arg(last ? 5 : 0)
        .arg(color(widget, Tone::accent).name(), widget->palette().color(QPalette::HighlightedText).name());
}

QString compactSegmentsStyle(const QString& objectName)
{
    return QStringLiteral("QFrame#%1 { border: 1px solid %2; border-radius: 5px; background: %3; }"
                          "QToolButton { border: none; padding: 1px 8px; border-radius: 4px; }"
                          "QToolButton:checked { background: %4; border: 1px solid %5; }")
        .arg(objectName, css(neutral, 90), css(neutral, 18), css(surface), css(neutral, 70));
}

QString panelStyle(const QString& objectName, const QColor& fill)
{
    return QStringLiteral("QFrame#%1 { background: rgba(%2, %3, %4, %5); border-radius: 8px; }")
        .arg(objectName)
        .arg(fill.red())
        .arg(fill.green())
        .arg(fill.blue())
        .arg(fill.alphaF());
}

QFrame* divider(QWidget* parent, Qt::Orientation orientation, const QString& objectName)
{
    const bool vertical = orientation == Qt::Vertical;
    auto* line = new QFrame(parent);
    line->setObjectName(objectName);
    line->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("QFrame { color: %1; }").arg(css(separator)));
    if (vertical)
        line->setFixedSize(1, 18);
    else
        line->setFixedHeight(1);
    return line;
}

} // namespace vantry::Theme
