#include "views/widgets/ElidedLabel.h"

#include <QPainter>

#include <algorithm>

namespace vantry {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode_(mode)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setFullText(const QString& text)
{
    if (text == full_)
        return;
    full_ = text;
    updateGeometry();
    update();
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(full_) + 2, metrics.height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    // About four letters, so a squeezed row still shows the start of the name.
    const QFontMetrics metrics(font());
    return {std::min(sizeHint().width(), metrics.horizontalAdvance(QLatin1Char('M')) * 4), metrics.height()};
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QString shown = fontMetrics().elidedText(full_, mode_, width());
    p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, shown);
}

} // namespace vantry
