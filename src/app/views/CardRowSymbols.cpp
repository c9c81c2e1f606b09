#include "app/views/CardRowSymbols.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vantry::CardRowSymbols {

using CardRowTexts::Symbol;
using CardRowTexts::Tint;

QColor color(Tint tint)
{
    switch (tint) {
    case Tint::primary: return QColor(0x1d, 0x1d, 0x1f);
    case Tint::secondary: return QColor(0x6e, 0x6e, 0x73);
    case Tint::tertiary: return QColor(0x8e, 0x8e, 0x93);
    case Tint::green: return QColor(0x28, 0xa7, 0x45);
    case Tint::orange: return QColor(0xe0, 0x7b, 0x00);
    case Tint::red: return QColor(0xe0, 0x30, 0x26);
    case Tint::purple: return QColor(0x9a, 0x3c, 0xc8);
    case Tint::blue: return QColor(0x0a, 0x7a, 0xff);
    case Tint::teal: return QColor(0x1f, 0x9e, 0xa8);
    }
    return Qt::black;
}

QString css(const QColor& c)
{
    if (c.alpha() == 255)
        return c.name();
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

namespace {

void drawCheck(QPainter& p, const QRectF& r, const QColor& c, qreal width)
{
    QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(r.left() + r.width() * 0.28, r.top() + r.height() * 0.52);
    path.lineTo(r.left() + r.width() * 0.44, r.top() + r.height() * 0.68);
    path.lineTo(r.left() + r.width() * 0.72, r.top() + r.height() * 0.36);
    p.drawPath(path);
}

void drawCentredText(QPainter& p, const QRectF& r, const QString& text, const QColor& c, qreal pixelSize)
{
    QFont font = p.font();
    font.setPixelSize(int(pixelSize));
    font.setBold(true);
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

} // namespace

QPixmap pixmap(Symbol symbol, const QColor& c, int size, qreal ratio)
{
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal stroke = std::max(1.5, s / 11);
    const QRectF box(stroke / 2 + 0.5, stroke / 2 + 0.5, s - stroke - 1, s - stroke - 1);
    switch (symbol) {
    case Symbol::checkmarkCircleFill:
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(box);
        drawCheck(p, box, Qt::white, stroke * 1.2);
        break;
    case Symbol::checkmarkCircle:
        p.setPen(QPen(c, stroke));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(box);
        drawCheck(p, box, c, stroke * 1.2);
        break;
    case Symbol::questionmarkCircle:
        p.setPen(QPen(c, stroke));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(box);
        drawCentredText(p, box, QStringLiteral("?"), c, s * 0.62);
        break;
    case Symbol::exclamationmarkTriangle: {
        QPainterPath tri;
        tri.moveTo(s / 2, box.top());
        tri.lineTo(box.right(), box.bottom());
        tri.lineTo(box.left(), box.bottom());
        tri.closeSubpath();
        p.setPen(QPen(c, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tri);
        drawCentredText(p, box.adjusted(0, s * 0.18, 0, 0), QStringLiteral("!"), c, s * 0.55);
        break;
    }
    case Symbol::checkmarkSealFill: {
        // A twelve-pointed rosette.
        QPainterPath seal;
        const QPointF centre(s / 2, s / 2);
        const qreal outer = box.width() / 2, inner = outer * 0.84;
        for (int i = 0; i < 24; ++i) {
            const qreal angle = M_PI * i / 12 - M_PI / 2;
            const qreal radius = i % 2 == 0 ? outer : inner;
            const QPointF point = centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
            i == 0 ? seal.moveTo(point) : seal.lineTo(point);
        }
        seal.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(seal);
        drawCheck(p, box, Qt::white, stroke * 1.2);
        break;
    }
    }
    return pm;
}

void paintSpinner(QPainter& p, QPointF centre, qreal inner, qreal outer, qreal width, int step)
{
    for (int i = 0; i < 12; ++i) {
        const qreal angle = 2 * M_PI * i / 12;
        const int age = (step - i + 12) % 12;
        p.setPen(QPen(QColor(0x6e, 0x6e, 0x73, 255 - age * 18), width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre + QPointF(std::cos(angle) * inner, std::sin(angle) * inner),
                   centre + QPointF(std::cos(angle) * outer, std::sin(angle) * outer));
    }
}

QPixmap magnifier(int size, qreal ratio)
{
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(QRectF(0, 0, size, size));
    const qreal s = size;
    p.setPen(QPen(Qt::white, s / 10, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.24, s * 0.24, s * 0.36, s * 0.36));
    p.drawLine(QPointF(s * 0.55, s * 0.55), QPointF(s * 0.74, s * 0.74));
    return pm;
}

} // namespace vantry::CardRowSymbols
