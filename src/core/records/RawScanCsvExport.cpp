#include "core/records/RawScanCsvExport.h"

#include "core/records/CsvText.h"

#include <charconv>
#include <cmath>

namespace vantry {

const QStringList& RawScanCsvExport::headers()
{
    static const QStringList titles{
        QStringLiteral("Order"),      QStringLiteral("Name"),     QStringLiteral("Set code"),
        QStringLiteral("Collector number"), QStringLiteral("Finish"), QStringLiteral("Condition"),
        QStringLiteral("Language"),   QStringLiteral("Price"),    QStringLiteral("Scryfall ID"),
        QStringLiteral("Status")};
    return titles;
}

QString RawScanCsvExport::formatPrice(std::optional<double> price)
{
    if (!price || !std::isfinite(*price))
        return {};
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *price, std::chars_format::fixed, 2);
    if (result.ec != std::errc())
        return {};
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString RawScanCsvExport::generate(const std::vector<RawScanCard>& cards, const QString& language)
{
    std::vector<QStringList> rows;
    rows.reserve(cards.size() + 1);
    rows.push_back(headers());
    int order = 0;
    for (const RawScanCard& card : cards) {
        rows.push_back({QString::number(++order), card.name, card.setCode.toLower(), card.collectorNumber,
                        rawValue(card.finish), card.condition, language, formatPrice(card.priceUSD),
                        card.scryfallId, rawValue(card.status)});
    }
    return CsvText::document(rows);
}

QString RawScanCsvExport::suggestedFilename(const QString& dateStamp)
{
    return QStringLiteral("vantry-scan-raw-") + dateStamp + QStringLiteral(".csv");
}

} // namespace vantry
