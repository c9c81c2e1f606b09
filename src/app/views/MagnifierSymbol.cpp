#include "app/views/MagnifierSymbol.h"

#include <QPainter>

namespace vantry {

QPixmap magnifierSymbol(int size, const QColor& colour, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal stroke = std::max<qreal>(1.5, size / 11.0);
    QPen pen(colour, stroke);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const qreal lens = size * 0.62;
    const QRectF circle(stroke, stroke, lens, lens);
    p.drawEllipse(circle);
    const QPointF rim = circle.center() + QPointF(lens / 2 * 0.7071, lens / 2 * 0.7071);
    pen.setWidthF(stroke * 1.4);
    p.setPen(pen);
    p.drawLine(rim, QPointF(size - stroke, size - stroke));
    return pixmap;
}

} // namespace vantry
