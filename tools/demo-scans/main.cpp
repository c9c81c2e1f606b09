// demo-scans <catalogue.tsv> <folder>: renders a scan of every catalogue printing that has a
// scan look, with the test renderer, into the folder ("demo-001.png", ... in catalogue order),
// as a sheet-fed scanner would have written them. Cards without a collector strip are found by
// their name only and need review; a "multifeed" printing is two cards fed at once.
#include "CardCatalogue.h"
#include "support/SyntheticScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

using namespace vantry;

namespace {

test::SyntheticCard cardFor(const standin::CataloguePrinting& p, int i)
{
    const QChar rarity = QChar(u"CURM"[i % 4]);
    test::SyntheticCard card;
    if (p.scan == QLatin1String("classic")) {
        card = test::SyntheticCard::classic(p.name, p.setCode, p.collectorNumber, QStringLiteral("301"), rarity);
    } else {
        card = test::SyntheticCard::modern(p.name, p.setCode,
                                           QStringLiteral("%1").arg(p.collectorNumber.toInt(), 4, 10, QLatin1Char('0')),
                                           rarity);
    }
    if (p.scan == QLatin1String("nostrip")) {
        card.stripLines.clear();
        card.legalLine.clear();
    }
    card.darkBorder = i % 4 != 1;
    card.stripOverArt = p.scan != QLatin1String("nostrip") && i % 5 == 4;
    card.dpi = 300;
    return card;
}

// The card alone, cut out of its rendered scan.
QImage cardImage(test::SyntheticCard card)
{
    const QImage scan = test::renderSyntheticScan(card);
    const QSize size = test::syntheticCardSize(card.dpi);
    return scan.copy(QRect(QPoint((scan.width() - size.width()) / 2, (scan.height() - size.height()) / 2), size));
}

// Two cards pulled through together: the second overlaps the first's lower edge, a little aside.
QImage multiFeed(const standin::CataloguePrinting& p, int i)
{
    test::SyntheticCard first = cardFor(p, i);
    first.darkBorder = false;
    test::SyntheticCard second = test::SyntheticCard::modern(QStringLiteral("Hidden Second"), p.setCode,
                                                             QStringLiteral("0999"));
    second.darkBorder = false;
    const QImage a = cardImage(first), b = cardImage(second);
    const int margin = 60, overlap = a.height() / 12, aside = a.width() / 20;
    QImage scan(a.width() + aside + 2 * margin, a.height() + b.height() - overlap + 2 * margin, QImage::Format_RGB32);
    scan.fill(QColor(10, 10, 12));
    QPainter painter(&scan);
    painter.drawImage(QPoint(margin + aside, margin + a.height() - overlap), b);
    painter.drawImage(QPoint(margin, margin), a);
    return scan;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || args[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: demo-scans <catalogue.tsv> <folder>\n");
        return 2;
    }
    std::vector<standin::CataloguePrinting> catalogue;
    try {
        catalogue = standin::readCardCatalogue(args[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo-scans: %s\n", e.what());
        return 2;
    }
    const QDir folder(args[2]);
    if (!QDir().mkpath(folder.absolutePath())) {
        std::fprintf(stderr, "demo-scans: cannot create %s\n", qPrintable(folder.absolutePath()));
        return 2;
    }
    int written = 0;
    for (const standin::CataloguePrinting& p : catalogue) {
        if (p.scan.isEmpty())
            continue;
        const QString path = folder.filePath(QStringLiteral("demo-%1.png").arg(written + 1, 3, 10, QLatin1Char('0')));
        const bool ok = p.scan == QLatin1String("multifeed") ? multiFeed(p, written).save(path, "PNG")
                                                             : test::saveSyntheticScan(cardFor(p, written), path);
        if (!ok) {
            std::fprintf(stderr, "demo-scans: cannot write %s\n", qPrintable(path));
            return 1;
        }
        ++written;
    }
    std::printf("demo-scans: %d scans in %s\n", written, qPrintable(folder.absolutePath()));
    return 0;
}
