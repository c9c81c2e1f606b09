#include "views/RecountStyle.h"

#include "views/Theme.h"

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

void show(QLabel* label, const RecountLine& line)
{
    label->setText(glyph(line.symbol) + QLatin1Char(' ') + line.text);
    label->setAccessibleName(line.text);
    label->setStyleSheet(Theme::labelColor(Theme::color(line.tone)));
}

QLabel* caption(const QString& text, const QString& name, QWidget* parent, double scale)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setStyleSheet(Theme::labelColor(Theme::secondaryText));
    return label;
}

} // namespace vantry::RecountStyle
