#include "CardCatalogue.h"

#include <QFile>
#include <QSet>

#include <stdexcept>

namespace vantry::standin {

std::vector<CataloguePrinting> readCardCatalogue(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read the catalogue %1: %2").arg(path, file.errorString()).toStdString());
    std::vector<CataloguePrinting> out;
    QSet<QString> ids;
    int number = 0;
    static const QStringList looks{"", "modern", "classic", "nostrip", "multifeed"};
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        auto fail = [&](const QString& why) {
            return std::runtime_error(QStringLiteral("%1:%2: %3").arg(path, QString::number(number), why).toStdString());
        };
        if (f.size() < 5 || f.size() > 6)
            throw fail(QStringLiteral("expected 5 or 6 tab-separated fields, found %1").arg(f.size()));
        CataloguePrinting p{f[0].trimmed(), f[1].trimmed(), f[2].trimmed(), f[3].trimmed(), std::nullopt,
                            f.value(5).trimmed()};
        if (p.scryfallId.isEmpty() || p.name.isEmpty() || p.setCode.isEmpty() || p.collectorNumber.isEmpty())
            throw fail(QStringLiteral("id, name, set code and collector number must not be empty"));
        if (ids.contains(p.scryfallId))
            throw fail(QStringLiteral("catalogue id %1 repeats").arg(p.scryfallId));
        if (!looks.contains(p.scan))
            throw fail(QStringLiteral("unknown scan look \"%1\"").arg(p.scan));
        if (const QString price = f[4].trimmed(); !price.isEmpty()) {
            bool ok = false;
            const double value = price.toDouble(&ok);
            if (!ok || !(value >= 0))
                throw fail(QStringLiteral("price \"%1\" is not a number").arg(price));
            p.priceUsd = price;
        }
        ids.insert(p.scryfallId);
        out.push_back(std::move(p));
    }
    return out;
}

} // namespace vantry::standin
