#include "core/records/CsvText.h"
#include "core/records/ManaboxCsvExport.h"
#include "core/records/RawScanCsvExport.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

using namespace vantry;

TEST(CsvText, QuotesOnlyCellsThatNeedIt)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"plain", "plain"},
        {"with space", "with space"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"carriage\rreturn", "\"carriage\rreturn\""},
        {"", ""},
    };
    for (const auto& [cell, written] : cases)
        EXPECT_EQ(CsvText::cell(cell), written) << cell.toStdString();
}

TEST(CsvText, ReadsBackWhatItWrites)
{
    struct Case {
        QString text;
        std::vector<QStringList> rows;
        bool written = true; // `document` writes exactly this text for these rows
    };
    const std::vector<Case> cases{
        {"", {}},
        {"a,b\n\nc", {{"a", "b"}, {""}, {"c"}}},
        {"\"a,\"\"b\"\"\nc\",\"\r\"\n", {{"a,\"b\"\nc", "\r"}, {""}}},
        // Stray quotes are text; a quoted cell left open runs to the end.
        {"a\"b,\"c\"d,\"e", {{"a\"b", "cd", "e"}}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvText::parse(c.text), c.rows) << c.text.toStdString();
        if (c.written)
            EXPECT_EQ(CsvText::document(c.rows), c.text) << c.text.toStdString();
    }
}

TEST(RawScanCsvExport, WritesExactBytes)
{
    const std::vector<RawScanCard> cards{
        {"sf-1", "Fire, Ice", "KHM", "12", ScanFinish::foil, "nm", 3.5, ScanStatus::auto_},
        {"sf-2", "The \"Best\"", "neo", "7★", ScanFinish::surge, "Near Mint", std::nullopt, ScanStatus::review},
        {"sf-1", "Fire, Ice", "KHM", "12", ScanFinish::foil, "LP", 0.5, ScanStatus::confirmed},
        {"sf-3", "Two\nLines", "m21", "1", ScanFinish::etched, "", std::numeric_limits<double>::quiet_NaN(),
         ScanStatus::unresolved},
    };
    const QString expected = "Order,Name,Set code,Collector number,Finish,Condition,Language,Price,Scryfall ID,Status\n"
                             "1,\"Fire, Ice\",khm,12,foil,nm,en,3.50,sf-1,auto\n"
                             "2,\"The \"\"Best\"\"\",neo,7★,surge,Near Mint,en,,sf-2,review\n"
                             "3,\"Fire, Ice\",khm,12,foil,LP,en,0.50,sf-1,confirmed\n"
                             "4,\"Two\nLines\",m21,1,etched,,en,,sf-3,unresolved";
    EXPECT_EQ(RawScanCsvExport::generate(cards, "en"), expected);
    EXPECT_EQ(RawScanCsvExport::generate({}, "en"),
              "Order,Name,Set code,Collector number,Finish,Condition,Language,Price,Scryfall ID,Status");
    EXPECT_EQ(RawScanCsvExport::suggestedFilename("2026-01-31"), "vantry-scan-raw-2026-01-31.csv");
}

TEST(RawScanCsvExport, PriceIgnoresTheLocale)
{
    // The application runs under the user's locale; a decimal comma would break the column.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // present on some machines only
    EXPECT_EQ(RawScanCsvExport::formatPrice(0.5), "0.50");
    EXPECT_EQ(RawScanCsvExport::formatPrice(1234.567), "1234.57");
    EXPECT_EQ(RawScanCsvExport::formatPrice(std::nullopt), "");
    EXPECT_EQ(RawScanCsvExport::formatPrice(std::numeric_limits<double>::infinity()), "");
    std::setlocale(LC_NUMERIC, previous.c_str());
    QLocale::setDefault(saved);
}

TEST(ManaboxCsvExport, AggregatesByFoilValueAndMappedCondition)
{
    const std::vector<ManaboxExportCard> cards{
        {"sf-1", "Fire, Ice", "KHM", "12", ScanFinish::foil, "nm"},
        {"sf-1", "Fire, Ice", "khm", "12", ScanFinish::surge, "NM"},   // surge merges with foil
        {"sf-1", "Fire, Ice", "KHM", "12", ScanFinish::foil, "LP"},
        {"sf-2", "Quote \"Q\"", "NEO", "7", ScanFinish::nonfoil, "Near Mint"}, // unknown code: mint
        {"sf-3", "Etch", "M21", "1", ScanFinish::etched, "dmg"},
        {"sf-2", "Quote \"Q\"", "NEO", "7", ScanFinish::nonfoil, "M"},
        {"sf-4", "Excellent", "M21", "2", ScanFinish::nonfoil, "ex"},
        {"sf-5", "Played", "M21", "3", ScanFinish::nonfoil, "hp"},
        {"sf-6", "Played too", "M21", "3", ScanFinish::nonfoil, "MP"}, // same key as the row above
    };
    const QString expected =
        "Name,Set code,Set name,Collector number,Foil,Rarity,Quantity,ManaBox ID,Scryfall ID,Purchase price,"
        "Misprint,Altered,Condition,Language,Purchase price currency\n"
        "\"Fire, Ice\",khm,,12,foil,,2,,sf-1,,false,false,mint,en,USD\n"
        "\"Fire, Ice\",khm,,12,foil,,1,,sf-1,,false,false,light_played,en,USD\n"
        "\"Quote \"\"Q\"\"\",neo,,7,normal,,2,,sf-2,,false,false,mint,en,USD\n"
        "Etch,m21,,1,etched,,1,,sf-3,,false,false,poor,en,USD\n"
        "Excellent,m21,,2,normal,,1,,sf-4,,false,false,excellent,en,USD\n"
        "Played,m21,,3,normal,,2,,sf-5,,false,false,played,en,USD";
    EXPECT_EQ(ManaboxCsvExport::generate(cards, "en"), expected);
    EXPECT_EQ(ManaboxCsvExport::generate({}, "en"),
              "Name,Set code,Set name,Collector number,Foil,Rarity,Quantity,ManaBox ID,Scryfall ID,Purchase price,"
              "Misprint,Altered,Condition,Language,Purchase price currency");
    EXPECT_EQ(ManaboxCsvExport::suggestedFilename("2026-01-31"), "vantry-scan-2026-01-31.csv");
}

TEST(ManaboxCsvExport, PipeInsideAValueDoesNotMergeDifferentPrintings)
{
    const std::vector<ManaboxExportCard> cards{
        {"sf-1", "A", "ab", "c|1", ScanFinish::foil, "NM"},
        {"sf-2", "B", "ab|c", "1", ScanFinish::foil, "NM"},
    };
    const QStringList lines = ManaboxCsvExport::generate(cards, "en").split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains("sf-1"));
    EXPECT_TRUE(lines[2].contains("sf-2"));
}
