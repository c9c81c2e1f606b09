#include "views/SettingsStyle.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace vantry::SettingsStyle {

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
        return QColor(0x1f, 0x9d, 0x55);
    case Tone::destructive:
        return QColor(0xd7, 0x2c, 0x2c);
    }
    return text;
}

void setTone(QWidget* widget, Tone tone)
{
    QPalette p = widget->palette();
    const QColor c = color(widget, tone);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    p.setColor(QPalette::Text, c);
    widget->setPalette(p);
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

} // namespace vantry::SettingsStyle
