#include "support/SyntheticArtCard.h"

#include <QBuffer>
#include <QFont>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <random>

namespace vantry::test {

namespace {

QColor randomColor(std::mt19937& rng)
{
    std::uniform_int_distribution<int> c(0, 255);
    return QColor(c(rng), c(rng), c(rng));
}

} // namespace

QImage renderArtCard(std::uint32_t seed, const QString& name, int width, int height)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    QImage card(width, height, QImage::Format_RGBA8888_Premultiplied);
    card.fill(QColor(12, 12, 12));
    QPainter painter(&card);
    painter.setRenderHint(QPainter::Antialiasing);

    const int border = static_cast<int>(width * 0.035);
    const QRect art(border, border, width - 2 * border, static_cast<int>(height * 0.86) - border);
    painter.setClipRect(art);

    QLinearGradient sky(art.topLeft(), QPointF(art.left() + unit(rng) * art.width(), art.bottom()));
    sky.setColorAt(0, randomColor(rng));
    sky.setColorAt(1, randomColor(rng));
    painter.fillRect(art, sky);

    const int shapes = 10 + static_cast<int>(unit(rng) * 14);
    for (int i = 0; i < shapes; ++i) {
        const QPointF centre(art.left() + unit(rng) * art.width(), art.top() + unit(rng) * art.height());
        const double rx = art.width() * (0.05 + 0.3 * unit(rng));
        const double ry = art.height() * (0.03 + 0.25 * unit(rng));
        QRadialGradient fill(centre, std::max(rx, ry));
        fill.setColorAt(0, randomColor(rng));
        fill.setColorAt(1, randomColor(rng));
        painter.setBrush(fill);
        painter.setPen(QPen(randomColor(rng), 1 + unit(rng) * 6));
        switch (static_cast<int>(unit(rng) * 3)) {
        case 0:
            painter.drawEllipse(centre, rx, ry);
            break;
        case 1: {
            QPolygonF polygon;
            const int corners = 3 + static_cast<int>(unit(rng) * 4);
            for (int c = 0; c < corners; ++c)
                polygon << QPointF(centre.x() + (unit(rng) - 0.5) * 2 * rx, centre.y() + (unit(rng) - 0.5) * 2 * ry);
            painter.drawPolygon(polygon);
            break;
        }
        default: {
            QPainterPath path(centre);
            path.cubicTo(centre + QPointF((unit(rng) - 0.5) * 2 * rx, (unit(rng) - 0.5) * 2 * ry),
                         centre + QPointF((unit(rng) - 0.5) * 2 * rx, (unit(rng) - 0.5) * 2 * ry),
                         centre + QPointF((unit(rng) - 0.5) * 2 * rx, (unit(rng) - 0.5) * 2 * ry));
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(randomColor(rng), 4 + unit(rng) * 20, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(path);
            break;
        }
        }
    }

    painter.setClipping(false);
    painter.setPen(QColor(235, 235, 235));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(static_cast<int>(height * 0.035));
    painter.setFont(font);
    painter.drawText(QRect(border * 2, art.bottom() + border / 2, width - 4 * border, static_cast<int>(height * 0.06)),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    font.setPixelSize(static_cast<int>(height * 0.018));
    painter.setFont(font);
    painter.drawText(QRect(border * 2, static_cast<int>(height * 0.92), width - 4 * border, static_cast<int>(height * 0.04)),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("ART SERIES"));
    painter.end();
    return card;
}

QImage simulateScan(const QImage& card, const ScanConditions& c)
{
    // Resolution: the card is printed at about 270 ppi in the catalogue image.
    const double scale = c.dpi / 270.0;
    QImage scaled = card.convertToFormat(QImage::Format_RGBA8888_Premultiplied)
                        .scaled(std::max(1, static_cast<int>(std::lround(card.width() * scale))),
                                std::max(1, static_cast<int>(std::lround(card.height() * scale))),
                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // Scanner colour response.
    unsigned char table[3][256];
    const double gains[3] = {c.gainR, c.gainG, c.gainB};
    for (int ch = 0; ch < 3; ++ch) {
        for (int v = 0; v < 256; ++v) {
            const double out = 255.0 * std::pow(v / 255.0, c.gamma) * gains[ch] + c.offset;
            table[ch][v] = static_cast<unsigned char>(std::clamp(std::lround(out), 0L, 255L));
        }
    }
    for (int y = 0; y < scaled.height(); ++y) {
        uchar* row = scaled.scanLine(y);
        for (int x = 0; x < scaled.width(); ++x)
            for (int ch = 0; ch < 3; ++ch)
                row[4 * x + ch] = table[ch][row[4 * x + ch]];
    }

    // Skewed on the scanner background, cropped to the card's bounding box plus padding.
    const double w = scaled.width();
    const double h = scaled.height();
    const double rad = std::abs(c.skewDegrees) * M_PI / 180.0;
    const double bw = w * std::cos(rad) + h * std::sin(rad);
    const double bh = w * std::sin(rad) + h * std::cos(rad);
    const double pad = std::min(bw, bh) * c.padding;
    QImage crop(static_cast<int>(std::lround(bw + 2 * pad)), static_cast<int>(std::lround(bh + 2 * pad)),
                QImage::Format_RGBA8888_Premultiplied);
    crop.fill(QColor(14, 14, 16));
    {
        QPainter painter(&crop);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(crop.width() / 2.0, crop.height() / 2.0);
        painter.rotate(c.skewDegrees);
        painter.drawImage(QPointF(-w / 2, -h / 2), scaled);
    }

    if (c.noise > 0) {
        // A table of normal samples indexed by a fast generator keeps 600-dpi scans cheap.
        std::mt19937 rng(c.noiseSeed);
        std::normal_distribution<double> n(0.0, c.noise);
        int samples[4096];
        for (int& sample : samples)
            sample = static_cast<int>(std::lround(n(rng)));
        std::minstd_rand pick(c.noiseSeed);
        for (int y = 0; y < crop.height(); ++y) {
            uchar* row = crop.scanLine(y);
            for (int x = 0; x < crop.width(); ++x)
                for (int ch = 0; ch < 3; ++ch)
                    row[4 * x + ch] = static_cast<uchar>(std::clamp(row[4 * x + ch] + samples[pick() & 4095], 0, 255));
        }
    }

    if (c.jpegQuality >= 1 && c.jpegQuality <= 100) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(c.jpegQuality);
        writer.write(crop.convertToFormat(QImage::Format_RGB888));
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        crop = reader.read().convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    }
    return crop;
}

} // namespace vantry::test
