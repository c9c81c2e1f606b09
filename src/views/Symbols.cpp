#include "views/Symbols.h"

#include "views/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

namespace vantry::Symbols {

namespace {

// The pens, brushes and shared shapes of one symbol, drawn on a 16 × 16 grid.
class Glyph {
public:
    Glyph(QPainter& painter, const QColor& color)
        : p(painter), color(color), line(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
    {
    }

    void filled(const QColor& c)
    {
        p.setCompositionMode(c.alpha() == 0 ? QPainter::CompositionMode_Clear : QPainter::CompositionMode_SourceOver);
        p.setPen(Qt::NoPen);
        p.setBrush(c.alpha() == 0 ? Theme::cutOut : c);
    }

    void stroked(const QColor& c, qreal width = 1.4)
    {
        p.setCompositionMode(c.alpha() == 0 ? QPainter::CompositionMode_Clear : QPainter::CompositionMode_SourceOver);
        QPen pen = line;
        if (c.alpha() == 0)
            pen.setColor(Theme::cutOut);
        else
            pen.setColor(c);
        pen.setWidthF(width);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    }

    void folder()
    {
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
    }

    void tray(bool fill)
    {
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
    }

    void arrow(QPointF from, QPointF to)
    {
        stroked(color, 1.5);
        p.drawLine(from, to);
        const QPointF d = to - from;
        const qreal len = std::hypot(d.x(), d.y());
        const QPointF u = d / len, n(-u.y(), u.x());
        p.drawLine(to, to - u * 3.2 + n * 3.0);
        p.drawLine(to, to - u * 3.2 - n * 3.0);
    }

    void circle(bool fill)
    {
        if (fill)
            filled(color);
        else
            stroked(color);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    }

    QPainter& p;
    const QColor color;
    // Cut-outs clear the pixels, so a symbol reads on any background.
    const QColor cut = Theme::clear;

private:
    const QPen line;
};

QPainterPath eyeOutline()
{
    QPainterPath path;
    path.moveTo(1, 8);
    path.quadTo(8, 0.5, 15, 8);
    path.quadTo(8, 15.5, 1, 8);
    return path;
}

void folder(Glyph& g) { g.folder(); }

void folderBadgeGearshape(Glyph& g)
{
    g.folder();
    g.filled(g.color);
    g.p.drawEllipse(QRectF(9, 8, 5, 5));
    g.filled(g.cut);
    g.p.drawEllipse(QRectF(10.5, 9.5, 2, 2));
}

void eye(Glyph& g)
{
    const QPainterPath path = eyeOutline();
    g.stroked(g.color);
    g.p.drawPath(path);
    g.filled(g.color);
    g.p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void eyeFill(Glyph& g)
{
    const QPainterPath path = eyeOutline();
    g.filled(g.color);
    g.p.drawPath(path);
    g.filled(g.cut);
    g.p.drawEllipse(QPointF(8, 8), 2.6, 2.6);
    g.filled(g.color);
    g.p.drawEllipse(QPointF(8, 8), 1.3, 1.3);
}

void stopCircleFill(Glyph& g)
{
    g.circle(true);
    g.filled(g.cut);
    g.p.drawRoundedRect(QRectF(5.5, 5.5, 5, 5), 1, 1);
}

void pauseFill(Glyph& g)
{
    g.filled(g.color);
    g.p.drawRoundedRect(QRectF(3.5, 2.5, 3.2, 11), 1, 1);
    g.p.drawRoundedRect(QRectF(9.3, 2.5, 3.2, 11), 1, 1);
}

void pauseCircleFill(Glyph& g)
{
    g.circle(true);
    g.filled(g.cut);
    g.p.drawRect(QRectF(5.6, 5, 1.7, 6));
    g.p.drawRect(QRectF(8.7, 5, 1.7, 6));
}

void playFill(Glyph& g)
{
    g.filled(g.color);
    g.p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 8), QPointF(4, 13.5)}));
}

void scannerFill(Glyph& g)
{
    g.filled(g.color);
    g.p.drawRoundedRect(QRectF(1, 7, 14, 6.5), 1.5, 1.5);
    g.p.drawRoundedRect(QRectF(3.5, 3.5, 9, 3), 1, 1);
    g.filled(g.cut);
    g.p.drawRect(QRectF(3.5, 9.5, 9, 1));
}

void xmarkOctagonFill(Glyph& g)
{
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
        octagon << QPointF(8 + 7 * std::cos(a), 8 + 7 * std::sin(a));
    }
    g.filled(g.color);
    g.p.drawPolygon(octagon);
    g.stroked(g.cut, 1.6);
    g.p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    g.p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

void trayFill(Glyph& g) { g.tray(true); }

void trayFull(Glyph& g)
{
    g.tray(false);
    g.stroked(g.color, 1.2);
    g.p.drawLine(QPointF(4.5, 4), QPointF(11.5, 4));
    g.p.drawLine(QPointF(4.5, 6.5), QPointF(11.5, 6.5));
}

void trayAndArrowDown(Glyph& g)
{
    g.tray(false);
    g.arrow(QPointF(8, 1), QPointF(8, 8));
}

void trayAndArrowDownFill(Glyph& g)
{
    g.tray(true);
    g.arrow(QPointF(8, 1), QPointF(8, 8));
}

void squareAndArrowUp(Glyph& g)
{
    g.stroked(g.color);
    QPainterPath box;
    box.moveTo(5.5, 6.5);
    box.lineTo(3, 6.5);
    box.lineTo(3, 14.5);
    box.lineTo(13, 14.5);
    box.lineTo(13, 6.5);
    box.lineTo(10.5, 6.5);
    g.p.drawPath(box);
    g.arrow(QPointF(8, 10), QPointF(8, 1.5));
}

void plusCircle(Glyph& g)
{
    g.circle(false);
    g.p.drawLine(QPointF(8, 5), QPointF(8, 11));
    g.p.drawLine(QPointF(5, 8), QPointF(11, 8));
}

void plusRectangleOnRectangle(Glyph& g)
{
    g.stroked(g.color, 1.2);
    g.p.drawRoundedRect(QRectF(4.5, 1.5, 10, 8), 1.5, 1.5);
    g.p.drawRoundedRect(QRectF(1.5, 5.5, 10, 8.5), 1.5, 1.5);
    g.p.drawLine(QPointF(6.5, 7.5), QPointF(6.5, 12));
    g.p.drawLine(QPointF(4.25, 9.75), QPointF(8.75, 9.75));
}

void docFill(Glyph& g)
{
    QPainterPath page;
    page.moveTo(3, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(13, 5);
    page.lineTo(13, 14.5);
    page.lineTo(3, 14.5);
    page.closeSubpath();
    g.filled(g.color);
    g.p.drawPath(page);
    g.filled(g.cut);
    g.p.drawPolygon(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 5), QPointF(13, 5)}));
}

void speedometer(Glyph& g)
{
    g.stroked(g.color);
    g.p.drawArc(QRectF(1.5, 3, 13, 13), 0, 180 * 16);
    g.p.drawLine(QPointF(8, 9.5), QPointF(11.5, 5.5));
    g.filled(g.color);
    g.p.drawEllipse(QPointF(8, 9.5), 1.5, 1.5);
}

void hourglass(Glyph& g)
{
    g.stroked(g.color, 1.3);
    g.p.drawLine(QPointF(3.5, 1.5), QPointF(12.5, 1.5));
    g.p.drawLine(QPointF(3.5, 14.5), QPointF(12.5, 14.5));
    g.p.drawPolyline(QPolygonF({QPointF(4.5, 1.5), QPointF(11.5, 14.5)}));
    g.p.drawPolyline(QPolygonF({QPointF(11.5, 1.5), QPointF(4.5, 14.5)}));
    g.filled(g.color);
    g.p.drawPolygon(QPolygonF({QPointF(6, 13.5), QPointF(10, 13.5), QPointF(8, 10.5)}));
}

void infoCircle(Glyph& g)
{
    g.circle(false);
    g.filled(g.color);
    g.p.drawEllipse(QPointF(8, 4.9), 1.0, 1.0);
    g.p.drawRect(QRectF(7.25, 7, 1.5, 5));
}

void clockFace(Glyph& g)
{
    g.circle(false);
    g.p.drawLine(QPointF(8, 4.5), QPointF(8, 8));
    g.p.drawLine(QPointF(8, 8), QPointF(10.8, 9.6));
}

void arrowRight(Glyph& g) { g.arrow(QPointF(2, 8), QPointF(14, 8)); }

// Four corner brackets around two lines of text.
void textViewfinder(Glyph& g)
{
    g.stroked(g.color, 1.3);
    for (const auto& [corner, dx, dy] : {std::tuple{QPointF(1.5, 1.5), 1, 1}, std::tuple{QPointF(14.5, 1.5), -1, 1},
                                        std::tuple{QPointF(1.5, 14.5), 1, -1}, std::tuple{QPointF(14.5, 14.5), -1, -1}})
        g.p.drawPolyline(QPolygonF({corner + QPointF(0, 4 * dy), corner, corner + QPointF(4 * dx, 0)}));
    g.stroked(g.color, 1.5);
    g.p.drawLine(QPointF(5, 6.5), QPointF(11, 6.5));
    g.p.drawLine(QPointF(5, 9.5), QPointF(9.5, 9.5));
}

void magnifyingglass(Glyph& g)
{
    g.stroked(g.color, 1.6);
    g.p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    g.stroked(g.color, 2.0);
    g.p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

struct Painter {
    const char* name;
    void (*paint)(Glyph&);
};

constexpr Painter painters[] = {
    {"folder", folder},
    {"folder.badge.gearshape", folderBadgeGearshape},
    {"eye", eye},
    {"eye.fill", eyeFill},
    {"stop.circle.fill", stopCircleFill},
    {"pause.fill", pauseFill},
    {"pause.circle.fill", pauseCircleFill},
    {"play.fill", playFill},
    {"scanner.fill", scannerFill},
    {"xmark.octagon.fill", xmarkOctagonFill},
    {"tray.fill", trayFill},
    {"tray.full", trayFull},
    {"tray.and.arrow.down", trayAndArrowDown},
    {"tray.and.arrow.down.fill", trayAndArrowDownFill},
    {"square.and.arrow.up", squareAndArrowUp},
    {"plus.circle", plusCircle},
    {"plus.rectangle.on.rectangle", plusRectangleOnRectangle},
    {"doc.fill", docFill},
    {"speedometer", speedometer},
    {"hourglass", hourglass},
    {"info.circle", infoCircle},
    {"clock", clockFace},
    {"arrow.right", arrowRight},
    {"text.viewfinder", textViewfinder},
    {"magnifyingglass", magnifyingglass},
};

// Draws on a 16 × 16 grid; an unknown name draws nothing.
void draw(QPainter& p, const QString& name, const QColor& color)
{
    const auto* found = std::find_if(std::begin(painters), std::end(painters),
                                     [&](const Painter& entry) { return name == QLatin1String(entry.name); });
    if (found == std::end(painters))
        return;
    Glyph glyph(p, color);
    found->paint(glyph);
}

} // namespace

QPixmap pixmap(const QString& name, const QColor& color, int size, qreal ratio)
{
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Theme::clear);
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter, name, color);
    return pm;
}

QIcon icon(const QString& name, const QColor& color, int size, int gap)
{
    auto padded = [&](const QColor& c) {
        const QPixmap glyph = pixmap(name, c, size);
        if (gap <= 0)
            return glyph;
        const qreal ratio = glyph.devicePixelRatio();
        QPixmap wide(QSize(size + gap, size) * ratio);
        wide.setDevicePixelRatio(ratio);
        wide.fill(Theme::clear);
        QPainter p(&wide);
        p.drawPixmap(0, 0, glyph);
        return wide;
    };
    QIcon result;
    result.addPixmap(padded(color), QIcon::Normal);
    result.addPixmap(padded(Theme::disabledText), QIcon::Disabled);
    return result;
}

// --- Card row symbols ---------------------------------------------------------------------

using CardRowTexts::Symbol;

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
    pm.fill(Theme::clear);
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
        drawCheck(p, box, Theme::onTint, stroke * 1.2);
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
        drawCheck(p, box, Theme::onTint, stroke * 1.2);
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
        p.setPen(QPen(Theme::withAlpha(Theme::secondaryText, 255 - age * 18), width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre + QPointF(std::cos(angle) * inner, std::sin(angle) * inner),
                   centre + QPointF(std::cos(angle) * outer, std::sin(angle) * outer));
    }
}

QPixmap magnifierBadge(int size, qreal ratio)
{
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Theme::clear);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::badgeDisc);
    p.drawEllipse(QRectF(0, 0, size, size));
    const qreal s = size;
    p.setPen(QPen(Theme::onTint, s / 10, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.24, s * 0.24, s * 0.36, s * 0.36));
    p.drawLine(QPointF(s * 0.55, s * 0.55), QPointF(s * 0.74, s * 0.74));
    return pm;
}


QPixmap magnifier(int size, const QColor& colour, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Theme::clear);
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

} // namespace vantry::Symbols
