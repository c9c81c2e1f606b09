#include "core/records/ManaboxCsvExport.h"

#include "core/records/CsvText.h"

namespace vantry {

namespace {

struct Aggregate {
    QString name;
    QString setCode;
    QString collectorNumber;
    QString foil;
    QString scryfallId;
    QString condition;
    int quantity = 0;
};

} // namespace

const QStringList& ManaboxCsvExport::headers()
{
    static const QStringList titles{
        QStringLiteral("Name"),           QStringLiteral("Set code"),   QStringLiteral("Set name"),
        QStringLiteral("Collector number"), QStringLiteral("Foil"),    QStringLiteral("Rarity"),
        QStringLiteral("Quantity"),       QStringLiteral("ManaBox ID"), QStringLiteral("Scryfall ID"),
        QStringLiteral("Purchase price"), QStringLiteral("Misprint"),  QStringLiteral("Altered"),
        QStringLiteral("Condition"),      QStringLiteral("Language"),  QStringLiteral("Purchase price currency")};
    return titles;
}

const QHash<QString, QString>& ManaboxCsvExport::conditionMap()
{
    static const QHash<QString, QString> map{
        {QStringLiteral("M"), QStringLiteral("mint")},          {QStringLiteral("NM"), QStringLiteral("mint")},
        {QStringLiteral("EX"), QStringLiteral("excellent")},    {QStringLiteral("LP"), QStringLiteral("light_played")},
        {QStringLiteral("MP"), QStringLiteral("played")},       {QStringLiteral("HP"), QStringLiteral("played")},
        {QStringLiteral("DMG"), QStringLiteral("poor")}};
    return map;
}

QString ManaboxCsvExport::mappedCondition(const QString& condition)
{
    return conditionMap().value(condition.toUpper(), QStringLiteral("mint"));
}

QString ManaboxCsvExport::foilValue(ScanFinish finish)
{
    switch (finish) {
    case ScanFinish::foil:
    case ScanFinish::surge: return QStringLiteral("foil");
    case ScanFinish::nonfoil: return QStringLiteral("normal");
    case ScanFinish::etched: return QStringLiteral("etched");
    }
    return QStringLiteral("normal");
}

QString ManaboxCsvExport::generate(const std::vector<ManaboxExportCard>& cards, const QString& language)
{
    std::vector<Aggregate> aggregates;
    // The key's parts kept apart, so that a "|" inside a collector number cannot merge rows.
    QHash<QStringList, size_t> byKey;
    for (const ManaboxExportCard& card : cards) {
        const QString foil = foilValue(card.finish);
        const QString condition = mappedCondition(card.condition);
        const QString setCode = card.setCode.toLower();
        const QStringList key{setCode, card.collectorNumber, foil, condition, language};
        const auto it = byKey.constFind(key);
        if (it != byKey.constEnd()) {
            ++aggregates[*it].quantity;
            continue;
        }
        byKey.insert(key, aggregates.size());
        aggregates.push_back({card.name, setCode, card.collectorNumber, foil, card.scryfallId, condition, 1});
    }

    std::vector<QStringList> rows;
    rows.reserve(aggregates.size() + 1);
    rows.push_back(headers());
    for (const Aggregate& a : aggregates) {
        rows.push_back({a.name, a.setCode, QString(), a.collectorNumber, a.foil, QString(), QString::number(a.quantity),
                        QString(), a.scryfallId, QString(), QStringLiteral("false"), QStringLiteral("false"),
                        a.condition, language, QStringLiteral("USD")});
    }
    return CsvText::document(rows);
}

QString ManaboxCsvExport::suggestedFilename(const QString& dateStamp)
{
    return QStringLiteral("vantry-scan-") + dateStamp + QStringLiteral(".csv");
}

} // namespace vantry
