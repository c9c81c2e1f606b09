// CSV written by the exports reads back cell for cell. The input is both a table (rows split
// at 0x1E, cells at 0x1F) that is written and read back, and text that is read, written and
// read again.

#include "FuzzInput.h"

#include "core/records/CsvText.h"
#include "core/records/ManaboxCsvExport.h"
#include "core/records/RawScanCsvExport.h"

using namespace vantry;

namespace {

// An empty text and a single empty cell write alike; both read as no rows.
std::vector<QStringList> normalized(std::vector<QStringList> rows)
{
    if (rows.size() == 1 && rows.front() == QStringList{QString()})
        rows.clear();
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));

    std::vector<QStringList> table;
    for (const QString& row : text.split(QChar(0x1E)))
        table.push_back(row.split(QChar(0x1F)));
    fuzz::check(CsvText::parse(CsvText::document(table)) == normalized(table), "table does not read back");

    const std::vector<QStringList> read = CsvText::parse(text);
    fuzz::check(CsvText::parse(CsvText::document(read)) == normalized(read), "read text does not read back");

    // Both exports, one card per table row, its texts taken from the row's first cells:
    // every row keeps its column count and its values.
    std::vector<ManaboxExportCard> interchange;
    for (size_t i = 0; i < table.size(); ++i) {
        ManaboxExportCard card;
        card.name = table[i].value(0);
        card.collectorNumber = table[i].value(1);
        card.setCode = QString::number(i); // keeps every card its own row
        interchange.push_back(card);
    }
    const auto merged = CsvText::parse(ManaboxCsvExport::generate(interchange, QStringLiteral("en")));
    fuzz::check(merged.size() == interchange.size() + 1, "interchange export row count");
    for (size_t i = 0; i < interchange.size(); ++i) {
        const QStringList& row = merged[i + 1];
        fuzz::check(row.size() == ManaboxCsvExport::headers().size(), "interchange export column count");
        fuzz::check(row[0] == interchange[i].name && row[3] == interchange[i].collectorNumber,
                    "interchange export cell changed");
    }

    std::vector<RawScanCard> cards;
    for (const QStringList& row : table) {
        RawScanCard card;
        card.name = row.value(0);
        card.collectorNumber = row.value(1);
        card.condition = row.value(2);
        cards.push_back(card);
    }
    const auto exported = CsvText::parse(RawScanCsvExport::generate(cards, QStringLiteral("en")));
    fuzz::check(exported.size() == cards.size() + 1, "raw export row count");
    for (size_t i = 0; i < cards.size(); ++i) {
        const QStringList& row = exported[i + 1];
        fuzz::check(row.size() == RawScanCsvExport::headers().size(), "raw export column count");
        fuzz::check(row[1] == cards[i].name && row[3] == cards[i].collectorNumber && row[5] == cards[i].condition,
                    "raw export cell changed");
    }
    return 0;
}
