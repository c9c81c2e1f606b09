#include "support/GlyphImages.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace vantry::test {

QPolygonF starPolygon(QPointF centre, double outer, double inner, int points)
{
    QPolygonF polygon;
    for (int i = 0; i < 2 * points; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / points;
        polygon << QPointF(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    }
    return polygon;
}

QImage filledImage(QSize size, QColor ground)
{
    QImage image(size, QImage::Format_RGBA8888_Premultiplied);
    image.fill(ground);
    return image;
}

void drawStar(QImage& image, QPointF centre, double outer, double inner, QColor ink)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(starPolygon(centre, outer, inner));
}

void drawDisc(QImage& image, QPointF centre, double radius, QColor ink, double hole)
{
    const QRgb value = ink.rgba();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double d = std::hypot(x - centre.x(), y - centre.y());
            if (d <= radius && d >= hole)
                image.setPixel(x, y, value);
        }
    }
}

void drawRect(QImage& image, QRect rect, QColor ink)
{
    QPainter painter(&image);
    painter.fillRect(rect, ink);
}

} // namespace vantry::test
