#include "core/service/CommittedScan.h"
#include "core/service/ImportBin.h"
#include "core/service/ScanReplaceTally.h"
#include "core/service/SplitChildBinSuggestion.h"

#include <gtest/gtest.h>

using namespace vantry;
using Tally = ScanReplaceTally::Result;

TEST(ScanReplaceTally, CountsPerTrimmedBinInCodePointOrder)
{
    struct Case {
        const char* name;
        std::vector<ScanReplaceTally::Entry> entries;
        std::map<QString, QString> binByItem;
        Tally expected;
    };
    const std::vector<Case> cases = {
        {"nothing", {}, {}, {{}, 0}},
        {"blank bin is unassigned", {{"a", 2}}, {{"a", "   "}}, {{}, 2}},
        {"surrounding blanks merge", {{"a", 1}, {"b", 2}}, {{"a", " A1"}, {"b", "A1 "}}, {{{"A1", 3}}, 0}},
        {"case stays apart, upper first", {{"a", 1}, {"b", 1}}, {{"a", "a1"}, {"b", "A1"}}, {{{"A1", 1}, {"a1", 1}}, 0}},
        {"not numeric-aware", {{"a", 1}, {"b", 1}}, {{"a", "A2"}, {"b", "A10"}}, {{{"A10", 1}, {"A2", 1}}, 0}},
        {"no map at all", {{"a", 1}, {"b", 4}}, {}, {{}, 5}},
        {"same item twice adds, zero count keeps its bin", {{"a", 1}, {"a", 2}, {"z", 0}},
         {{"a", "B"}, {"z", "C"}}, {{{"B", 3}, {"C", 0}}, 0}},
        // Code points above U+FFFF sort after U+FFxx, unlike UTF-16 order.
        {"code-point order", {{"a", 1}, {"b", 1}}, {{"a", QString::fromUcs4(U"\U0001F600")}, {"b", QString::fromUcs4(U"\uFF21")}},
         {{{QString::fromUcs4(U"\uFF21"), 1}, {QString::fromUcs4(U"\U0001F600"), 1}}, 0}},
    };
    for (const auto& c : cases) {
        const Tally t = ScanReplaceTally::of(c.entries, c.binByItem);
        EXPECT_EQ(t, c.expected) << c.name;
    }
    EXPECT_EQ(ScanReplaceTally::of({{"a", 2}, {"b", 3}, {"c", 7}}, {{"a", "A"}, {"b", "B"}}).assignedTotal(), 5);
    EXPECT_EQ(Tally{}.assignedTotal(), 0);
}

TEST(ImportBin, SyncedKeepsWhatTheUserTyped)
{
    struct Case {
        QString current, folder, lastDerived, fallback, expected;
    };
    const std::vector<Case> cases = {
        {"", "Box 3", "whatever", "fb", "Box 3"},
        {"  Shelf  ", "Box 3", "Box 2", "", "  Shelf  "},
        {"Box 2 ", "Box 3", "Box 2", "", "Box 3"},
        {"", "  ", "", "  Fallback ", "Fallback"},
        {" ", "", "", " ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImportBin::synced(c.current, c.folder, c.lastDerived, c.fallback), c.expected)
            << c.current.toStdString() << "|" << c.folder.toStdString();
    EXPECT_EQ(ImportBin::location(" \t\n"), std::nullopt);
    EXPECT_EQ(ImportBin::location("  A1  "), QString("A1"));
}

TEST(SplitChildBinSuggestion, FolderExtendingItsParentIsASplitChild)
{
    struct Case {
        QString path;
        std::optional<SplitChildBinSuggestion> split;
        std::optional<QString> replaceName;
    };
    const std::vector<Case> cases = {
        {"/scans/A1/A1-2", SplitChildBinSuggestion{"A1", "A1-2"}, QString("A1")},
        {"/scans/A1/A10", SplitChildBinSuggestion{"A1", "A10"}, QString("A1")},
        {"/scans/a1/A1 b/", SplitChildBinSuggestion{"a1", "A1 b"}, QString("a1")},
        {"/scans/Cards/A1", std::nullopt, QString("A1")},
        {"/scans/A1/a1", std::nullopt, QString("a1")},
        {"/", std::nullopt, std::nullopt},
        {"A1", std::nullopt, QString("A1")},
        {"/scans/ /A1", std::nullopt, QString("A1")},
        // "e" is not a prefix of "e" + combining acute: whole characters are compared.
        {QString::fromUtf8("/scans/e/e\xCC\x81"), std::nullopt, QString::fromUtf8("e\xCC\x81")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitChildBinSuggestion(c.path), c.split) << c.path.toStdString();
        EXPECT_EQ(suggestedReplaceBinName(c.path), c.replaceName) << c.path.toStdString();
    }
}

TEST(CommittedScan, LedgerKeysInRowOrder)
{
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid(), d = QUuid::createUuid();
    const CommittedScan scan({
        {a, QString("h1"), QString("h1")},
        {b, std::nullopt, QString("id2")},
        {c, QString("h3"), QString("id3")},
        {d, std::nullopt, std::nullopt},
        {QUuid::createUuid(), QString("h1"), std::nullopt},
    });
    EXPECT_EQ(scan.contentHashes, (std::vector<QString>{"h1", "id2", "h3", "id3", "h1"}));
    EXPECT_EQ(scan.rowIDs.size(), 5u);
    EXPECT_TRUE(scan.includes(d));
    EXPECT_FALSE(scan.includes(QUuid::createUuid()));
}
