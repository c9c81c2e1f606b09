#include "views/RecountStyle.h"

#include <QFrame>
#include <QLabel>

namespace vantry::RecountStyle {

QString glyph(RecountLine::Symbol symbol)
{
    using S = RecountLine::Symbol;
    switch (symbol) {
    case S::hourglass: return QStringLiteral("\u29D7");
    case S::warning: return QStringLiteral("\u26A0");
    case S::info: return QStringLiteral("\u2139");
    case S::checkmark: return QStringLiteral("\u2714");
    case S::stop: return QStringLiteral("\u2716");
    case S::question: return QStringLiteral("?");
    case S::trash: return QStringLiteral("\u26A0");
    }
    return {};
}

QColor colour(RecountLine::Tone tone)
{
    using T = RecountLine::Tone;
    switch (tone) {
    case T::secondary: return secondaryText;
    case T::orange: return QColor(0xc9, 0x6a, 0x00);
    case T::green: return QColor(0x24, 0x8a, 0x3d);
    case T::red: return QColor(0xd7, 0x00, 0x15);
    }
    return secondaryText;
}

void show(QLabel* label, const RecountLine& line)
{
    label->setText(glyph(line.symbol) + QLatin1Char(' ') + line.text);
    label->setAccessibleName(line.text);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(colour(line.tone).name()));
}

QLabel* caption(const QString& text, const QString& name, QWidget* parent, double scale)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(secondaryText.name()));
    return label;
}

QFrame* divider(QWidget* parent, bool vertical)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("divider"));
    line->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("QFrame { color: rgba(128,128,128,80); }"));
    if (vertical)
        line->setFixedSize(1, 18);
    else
        line->setFixedHeight(1);
    return line;
}

QString rgba(const QColor& c, double opacity)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(int(opacity * 255));
}

} // namespace vantry::RecountStyle
