#include "app/views/CaptureSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace vantry::CaptureSymbols {

namespace {

// Draws on a 16 × 16 grid.
void draw(QPainter& p, const QString& name, const QColor& color)
{
    // Cut-outs clear the pixels, so a symbol reads on any background.
    const QColor cut = Qt::transparent;
    QPen line(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    auto filled = [&](const QColor& c) {
        p.setCompositionMode(c.alpha() == 0 ? QPainter::CompositionMode_Clear : QPainter::CompositionMode_SourceOver);
        p.setPen(Qt::NoPen);
        p.setBrush(c.alpha() == 0 ? QColor(Qt::black) : c);
    };
    auto stroked = [&](const QColor& c, qreal width = 1.4) {
        p.setCompositionMode(c.alpha() == 0 ? QPainter::CompositionMode_Clear : QPainter::CompositionMode_SourceOver);
        QPen pen = line;
        if (c.alpha() == 0)
            pen.setColor(Qt::black);
        else
            pen.setColor(c);
        pen.setWidthF(width);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    };
    auto folder = [&] {
        QPainterPath path;
        path.moveTo(1.5, 4);
        path.lineTo(6, 4);
        path.lineTo(7.5, 5.5);
        path.lineTo(14.5, 5.5);
        path.lineTo(14.5, 13);
        path.lineTo(1.5, 13);
        path.closeSubpath();
        stroked(color);
        p.drawPath(path);
    };
    auto tray = [&](bool fill) {
        QPainterPath path;
        path.moveTo(1.5, 9);
        path.lineTo(5, 9);
        path.lineTo(6, 10.5);
        path.lineTo(10, 10.5);
        path.lineTo(11, 9);
        path.lineTo(14.5, 9);
        path.lineTo(14.5, 14);
        path.lineTo(1.5, 14);
        path.closeSubpath();
        if (fill) {
            filled(color);
        } else {
            stroked(color);
        }
        p.drawPath(path);
    };
    auto arrow = [&](QPointF from, QPointF to) {
        stroked(color, 1.5);
        p.drawLine(from, to);
        const QPointF d = to - from;
        const qreal len = std::hypot(d.x(), d.y());
        const QPointF u = d / len, n(-u.y(), u.x());
        p.drawLine(to, to - u * 3.2 + n * 3.0);
        p.drawLine(to, to - u * 3.2 - n * 3.0);
    };
    auto circle = [&](bool fill) {
        if (fill)
            filled(color);
        else
            stroked(color);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    };

    if (name == QLatin1String("folder") || name == QLatin1String("folder.badge.gearshape")) {
        folder();
        if (name != QLatin1String("folder")) {
            filled(color);
            p.drawEllipse(QRectF(9, 8, 5, 5));
            filled(cut);
            p.drawEllipse(QRectF(10.5, 9.5, 2, 2));
        }
    } else if (name == QLatin1String("eye") || name == QLatin1String("eye.fill")) {
        QPainterPath path;
        path.moveTo(1, 8);
        path.quadTo(8, 0.5, 15, 8);
        path.quadTo(8, 15.5, 1, 8);
        if (name == QLatin1String("eye.fill")) {
            filled(color);
            p.drawPath(path);
            filled(cut);
            p.drawEllipse(QPointF(8, 8), 2.6, 2.6);
            filled(color);
            p.drawEllipse(QPointF(8, 8), 1.3, 1.3);
        } else {
            stroked(color);
            p.drawPath(path);
            filled(color);
            p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
        }
    } else if (name == QLatin1String("stop.circle.fill")) {
        circle(true);
        filled(cut);
        p.drawRoundedRect(QRectF(5.5, 5.5, 5, 5), 1, 1);
    } else if (name == QLatin1String("pause.fill")) {
        filled(color);
        p.drawRoundedRect(QRectF(3.5, 2.5, 3.2, 11), 1, 1);
        p.drawRoundedRect(QRectF(9.3, 2.5, 3.2, 11), 1, 1);
    } else if (name == QLatin1String("pause.circle.fill")) {
        circle(true);
        filled(cut);
        p.drawRect(QRectF(5.6, 5, 1.7, 6));
        p.drawRect(QRectF(8.7, 5, 1.7, 6));
    } else if (name == QLatin1String("play.fill")) {
        filled(color);
        p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
    } else if (name == QLatin1String("scanner.fill")) {
        filled(color);
        p.drawRoundedRect(QRectF(1, 7, 14, 6.5), 1.5, 1.5);
        p.drawRoundedRect(QRectF(3.5, 3.5, 9, 3), 1, 1);
        filled(cut);
        p.drawRect(QRectF(3.5, 9.5, 9, 1));
    } else if (name == QLatin1String("xmark.octagon.fill")) {
        QPolygonF octagon;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
            octagon << QPointF(8 + 7 * std::cos(a), 8 + 7 * std::sin(a));
        }
        filled(color);
        p.drawPolygon(octagon);
        stroked(cut, 1.6);
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    } else if (name == QLatin1String("tray.fill")) {
        tray(true);
    } else if (name == QLatin1String("tray.full")) {
        tray(false);
        stroked(color, 1.2);
        p.drawLine(QPointF(4.5, 4), QPointF(11.5, 4));
        p.drawLine(QPointF(4.5, 6.5), QPointF(11.5, 6.5));
    } else if (name == QLatin1String("tray.and.arrow.down") || name == QLatin1String("tray.and.arrow.down.fill")) {
        tray(name.endsWith(QLatin1String(".fill")));
        arrow(QPointF(8, 1), QPointF(8, 8));
    } else if (name == QLatin1String("square.and.arrow.up")) {
        stroked(color);
        QPainterPath box;
        box.moveTo(5.5, 6.5);
        box.lineTo(3, 6.5);
        box.lineTo(3, 14.5);
        box.lineTo(13, 14.5);
        box.lineTo(13, 6.5);
        box.lineTo(10.5, 6.5);
        p.drawPath(box);
        arrow(QPointF(8, 10), QPointF(8, 1.5));
    } else if (name == QLatin1String("plus.circle")) {
        circle(false);
        p.drawLine(QPointF(8, 5), QPointF(8, 11));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
    } else if (name == QLatin1String("plus.rectangle.on.rectangle")) {
        stroked(color, 1.2);
        p.drawRoundedRect(QRectF(4.5, 1.5, 10, 8), 1.5, 1.5);
        p.drawRoundedRect(QRectF(1.5, 5.5, 10, 8.5), 1.5, 1.5);
        p.drawLine(QPointF(6.5, 7.5), QPointF(6.5, 12));
        p.drawLine(QPointF(4.25, 9.75), QPointF(8.75, 9.75));
    } else if (name == QLatin1String("doc.fill")) {
        QPainterPath page;
        page.moveTo(3, 1.5);
        page.lineTo(9.5, 1.5);
        page.lineTo(13, 5);
        page.lineTo(13, 14.5);
        page.lineTo(3, 14.5);
        page.closeSubpath();
        filled(color);
        p.drawPath(page);
        filled(cut);
        p.drawPolygon(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 5), QPointF(13, 5)}));
    } else if (name == QLatin1String("speedometer")) {
        stroked(color);
        p.drawArc(QRectF(1.5, 3, 13, 13), 0, 180 * 16);
        p.drawLine(QPointF(8, 9.5), QPointF(11.5, 5.5));
        filled(color);
        p.drawEllipse(QPointF(8, 9.5), 1.5, 1.5);
    } else if (name == QLatin1String("hourglass")) {
        stroked(color, 1.3);
        p.drawLine(QPointF(3.5, 1.5), QPointF(12.5, 1.5));
        p.drawLine(QPointF(3.5, 14.5), QPointF(12.5, 14.5));
        p.drawPolyline(QPolygonF({QPointF(4.5, 1.5), QPointF(11.5, 14.5)}));
        p.drawPolyline(QPolygonF({QPointF(11.5, 1.5), QPointF(4.5, 14.5)}));
        filled(color);
        p.drawPolygon(QPolygonF({QPointF(6, 13.5), QPointF(10, 13.5), QPointF(8, 10.5)}));
    } else if (name == QLatin1String("info.circle")) {
        circle(false);
        filled(color);
        p.drawEllipse(QPointF(8, 4.9), 1.0, 1.0);
        p.drawRect(QRectF(7.25, 7, 1.5, 5));
    } else if (name == QLatin1String("clock")) {
        circle(false);
        p.drawLine(QPointF(8, 4.5), QPointF(8, 8));
        p.drawLine(QPointF(8, 8), QPointF(10.8, 9.6));
    } else if (name == QLatin1String("arrow.right")) {
        arrow(QPointF(2, 8), QPointF(14, 8));
    }
}

} // namespace

QPixmap pixmap(const QString& name, const QColor& color, int size, qreal ratio)
{
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter, name, color);
    return pm;
}

QIcon icon(const QString& name, const QColor& color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, size), QIcon::Normal);
    result.addPixmap(pixmap(name, QColor(160, 160, 165), size), QIcon::Disabled);
    return result;
}

} // namespace vantry::CaptureSymbols
