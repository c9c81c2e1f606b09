#include "support/SyntheticScan.h"

#include "support/MarkerRecognizer.h"

#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QSaveFile>

#include <cmath>

namespace vantry::test {

namespace {

constexpr double kCardWidthMm = 63.0;
constexpr double kCardHeightMm = 88.0;

double mmToPx(double mm, int dpi) { return mm / 25.4 * dpi; }

QFont font(const QString& family, double points, int dpi, bool bold = false)
{
    QFont f(family);
    f.setPixelSize(std::max(1, int(std::lround(points * dpi / 72.0))));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// Draws one strip line at `baseline`; the artist after "✎ " in small capitals.
void drawStripLine(QPainter& p, const QString& line, double x, double baseline, const QFont& base)
{
    const qsizetype brush = line.indexOf(QChar(0x270E));
    QString head = line, artist;
    if (brush >= 0) {
        head = line.left(brush + 1) + u' ';
        artist = line.mid(brush + 1).trimmed();
    }
    p.setFont(base);
    p.drawText(QPointF(x, baseline), head);
    if (!artist.isEmpty()) {
        QFont caps = base;
        caps.setCapitalization(QFont::SmallCaps);
        p.setFont(caps);
        p.drawText(QPointF(x + QFontMetricsF(base).horizontalAdvance(head), baseline), artist);
    }
}

QImage renderCard(const SyntheticCard& c)
{
    const QSize size = syntheticCardSize(c.dpi);
    const int dpi = c.dpi;
    auto px = [dpi](double mm) { return mmToPx(mm, dpi); };
    QImage card(size, QImage::Format_RGB32);
    const QColor border = c.darkBorder ? QColor(22, 22, 24) : QColor(236, 234, 228);
    const QColor ink = c.darkBorder ? QColor(245, 245, 245) : QColor(20, 20, 20);
    card.fill(border);

    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Frame, title bar, art, type bar, rules box.
    const QRectF frame(px(3), px(3), px(57), px(78));
    p.fillRect(frame, QColor(214, 205, 186));
    p.fillRect(QRectF(px(4), px(4), px(55), px(6)), QColor(236, 230, 214));
    QLinearGradient art(px(5), px(11), px(58), px(48));
    art.setColorAt(0, QColor(96, 120, 150));
    art.setColorAt(1, QColor(150, 96, 70));
    p.fillRect(QRectF(px(5), px(11), px(53), px(37)), art);
    p.fillRect(QRectF(px(4), px(49), px(55), px(5)), QColor(236, 230, 214));
    p.fillRect(QRectF(px(5), px(55), px(53), px(24)), QColor(240, 236, 226));

    p.setPen(QColor(15, 15, 15));
    p.setFont(font(QStringLiteral("DejaVu Serif"), 9, dpi, true));
    p.drawText(QPointF(px(5.5), px(8.6)), c.title);
    p.setFont(font(QStringLiteral("DejaVu Serif"), 7.5, dpi, true));
    p.drawText(QPointF(px(5.5), px(52.8)), c.typeLine);
    p.setFont(font(QStringLiteral("DejaVu Serif"), 7, dpi));
    p.drawText(QPointF(px(6.5), px(61)), c.rulesText);

    // Collector strip at the bottom border (or over artwork running into it).
    if (c.stripOverArt) {
        QLinearGradient under(0, px(80), px(63), px(88));
        under.setColorAt(0, QColor(40, 52, 70));
        under.setColorAt(1, QColor(70, 40, 30));
        p.fillRect(QRectF(0, px(81), px(63), px(7)), under);
    }
    const QFont stripFont = font(QStringLiteral("DejaVu Sans"), 5.5, dpi);
    p.setPen(c.stripOverArt ? QColor(245, 245, 245) : ink);
    const double firstBaseline = px(84.0);
    const double lineStep = px(2.3);
    for (int i = 0; i < c.stripLines.size(); ++i)
        drawStripLine(p, c.stripLines[i], px(4.5), firstBaseline + i * lineStep, stripFont);
    if (!c.legalLine.isEmpty()) {
        const QFont legalFont = font(QStringLiteral("DejaVu Sans"), 4.5, dpi);
        p.setFont(legalFont);
        const double width = QFontMetricsF(legalFont).horizontalAdvance(c.legalLine);
        const int row = std::clamp(c.legalOnLine, 0, int(std::max<qsizetype>(c.stripLines.size(), 1) - 1));
        p.drawText(QPointF(px(58.5) - width, firstBaseline + row * lineStep), c.legalLine);
    }
    p.end();
    if (c.marker)
        drawRecognitionMarker(card, QRectF(0, 0, card.width(), card.height()), *c.marker);
    return card;
}

} // namespace

SyntheticCard SyntheticCard::modern(const QString& title, const QString& set, const QString& number, QChar rarity,
                                    const QString& language, bool foil)
{
    SyntheticCard c;
    c.title = title;
    c.stripLines = {QString(rarity) + u' ' + number,
                    set + (foil ? QStringLiteral(" \u2605 ") : QStringLiteral(" \u2022 ")) + language +
                        QStringLiteral(" \u270E JOHN AVON")};
    return c;
}

SyntheticCard SyntheticCard::classic(const QString& title, const QString& set, const QString& number,
                                     const QString& setSize, QChar rarity, const QString& language)
{
    SyntheticCard c;
    c.title = title;
    c.stripLines = {number + u'/' + setSize + u' ' + rarity,
                    set + QStringLiteral(" \u2022 ") + language + QStringLiteral(" \u270E Rebecca Guay")};
    c.legalLine = QStringLiteral("\u2122 & \u00A9 2019 Wizards of the Coast");
    return c;
}

QSize syntheticCardSize(int dpi)
{
    return QSize(int(std::lround(mmToPx(kCardWidthMm, dpi))), int(std::lround(mmToPx(kCardHeightMm, dpi))));
}

QImage renderSyntheticScan(const SyntheticCard& c)
{
    const QImage card = rotatedByQuarterTurns(image::toWorkingFormat(renderCard(c)), c.quarterTurns);
    const int margin = int(std::lround(0.2 * c.dpi));
    const QSize canvas = c.canvas.isEmpty() ? card.size() + QSize(2 * margin, 2 * margin) : c.canvas;
    QImage scan(canvas, QImage::Format_RGB32);
    scan.fill(QColor(10, 10, 12));
    QPainter p(&scan);
    p.drawImage(QPoint((canvas.width() - card.width()) / 2, (canvas.height() - card.height()) / 2), card);
    p.end();
    QImage out = image::toWorkingFormat(scan);
    const int dpm = int(std::lround(c.dpi / 0.0254));
    out.setDotsPerMeterX(dpm);
    out.setDotsPerMeterY(dpm);
    return out;
}

bool saveSyntheticScan(const SyntheticCard& card, const QString& path, const QByteArray& format)
{
    const QImage image = renderSyntheticScan(card);
    const QByteArray bytes = format.toUpper() == "PNG" ? image::encodePng(image, card.dpi)
                                                       : image::encodeJpeg(image, 0.92, card.dpi);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace vantry::test
