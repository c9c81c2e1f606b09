#include "core/art/ArtCardBack.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {

std::vector<OCRLine> lines(std::initializer_list<const char*> texts)
{
    std::vector<OCRLine> out;
    double y = 0.9;
    for (const char* t : texts) {
        out.push_back({QString::fromUtf8(t), y, 0.03});
        y -= 0.1;
    }
    return out;
}

ArtCardEntry entry(const QString& id, const QString& name, const QString& number)
{
    return {id, name, QStringLiteral("AMH2"), number, {}};
}

Candidate visual(const QString& id, double score)
{
    Candidate c;
    c.scryfallId = id;
    c.name = id;
    c.score = score;
    c.isArtSeries = true;
    return c;
}

std::vector<std::pair<QString, double>> summary(const std::vector<Candidate>& candidates)
{
    std::vector<std::pair<QString, double>> out;
    for (const Candidate& c : candidates)
        out.emplace_back(c.scryfallId, c.score);
    return out;
}

} // namespace

TEST(ArtCardBack, SlashCollectorTakesTheFirstPlausibleNumber)
{
    const struct {
        const char* text;
        std::optional<QString> number;
    } cases[] = {
        {"12/54", "12"},      {"0/10 then 7/300", "7"}, {"12/5", std::nullopt}, {"1234/5678", std::nullopt},
        {"007 / 120", "7"},   {"no number", std::nullopt}, {"x3/3y", "3"},       {"12/54/99", "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArtCardBack::slashCollector(QString::fromUtf8(c.text)), c.number) << c.text;

    EXPECT_EQ(ArtCardBack::singleFaceName("Dragon // Dragon"), "Dragon");
    EXPECT_EQ(ArtCardBack::singleFaceName("Day // Night"), "Day // Night");
    EXPECT_EQ(ArtCardBack::singleFaceName("A // A // A"), "A // A // A");
}

TEST(ArtCardBack, ParseNeedsTheMarkerAndKeepsLetteredLines)
{
    const auto read = ArtCardBack::parse(lines({"ART SERIES", "Goblin Guide", "12/54", "Ox", "  é  "}));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->collectorNumber, "12");
    // Untrimmed: "  é  " counts five characters and holds a letter.
    EXPECT_EQ(read->lines, (QStringList{"ART SERIES", "Goblin Guide", "  é  "}));

    EXPECT_FALSE(ArtCardBack::parse(lines({"Goblin Guide", "12/54"})));
    const auto noNumber = ArtCardBack::parse(lines({"artseries"}));
    ASSERT_TRUE(noNumber);
    EXPECT_EQ(noNumber->collectorNumber, std::nullopt);
    // "e" + combining acute is one character: too short to be a name line.
    EXPECT_EQ(ArtCardBack::parse(lines({"ART SERIES", "e\u0301x"}))->lines, QStringList{"ART SERIES"});
}

TEST(ArtCardBack, ResolveSortsEntriesByWhatTheBackConfirms)
{
    const std::vector<ArtCardEntry> entries{
        entry("guide", "Goblin Guide // Goblin Guide", "012"),
        entry("ox", "Ox // Ox", "3"),
        entry("other12", "Lightning Bolt", "12"),
        entry("guide-alt", "Goblin Guide", "40"),
        entry("none", "Counterspell", "5"),
    };
    const auto resolution = ArtCardBack::resolve({"12", {"ART SERIES", "Goblin Guide", "THE OX"}}, entries);
    auto ids = [](const std::vector<ArtCardEntry>& list) {
        QStringList out;
        for (const auto& e : list)
            out << e.scryfallId;
        return out;
    };
    EXPECT_EQ(ids(resolution.exact), QStringList{"guide"});
    // "Ox" has no word of four letters, so it is found as plain text in "THE OX".
    EXPECT_EQ(ids(resolution.nameMatches), (QStringList{"ox", "guide-alt"}));
    EXPECT_EQ(ids(resolution.collectorMatches), QStringList{"other12"});

    EXPECT_EQ(ArtCardBack::resolve({"12", {"Goblin Guide"}}, {}), ArtCardBackResolution{});
    EXPECT_EQ(ArtCardBack::resolve({std::nullopt, {}}, entries), ArtCardBackResolution{});
}

// A back line with no word of four letters ("by Ann", "ART") has nothing to compare with a
// name, so it confirms no name at all.
TEST(ArtCardBack, LinesWithoutSignificantWordsConfirmNoName)
{
    const std::vector<ArtCardEntry> entries{entry("guide", "Goblin Guide", "3"), entry("bolt", "Lightning Bolt", "7")};
    const auto resolution = ArtCardBack::resolve({"7", {"ART SERIES", "by Ann", "ART"}}, entries);
    EXPECT_TRUE(resolution.exact.empty());
    EXPECT_TRUE(resolution.nameMatches.empty());
    ASSERT_EQ(resolution.collectorMatches.size(), 1u);
    EXPECT_EQ(resolution.collectorMatches[0].scryfallId, "bolt");
}

// An entry without a name (an index built from an incomplete list) has nothing a back line
// could show, so it is never confirmed by name.
TEST(ArtCardBack, AnEntryWithoutANameIsNeverConfirmedByName)
{
    const std::vector<ArtCardEntry> entries{entry("unnamed", "", "12"), entry("blank", " ", "5")};
    const auto resolution = ArtCardBack::resolve({"12", {"ART SERIES", "Goblin Guide"}}, entries);
    EXPECT_TRUE(resolution.exact.empty());
    EXPECT_TRUE(resolution.nameMatches.empty());
    ASSERT_EQ(resolution.collectorMatches.size(), 1u);
    EXPECT_EQ(resolution.collectorMatches[0].scryfallId, "unnamed");
}

TEST(ArtCardBack, MergeFollowsTheScoreLadder)
{
    const auto e = [](const char* id) { return entry(id, id, "1"); };
    using Summary = std::vector<std::pair<QString, double>>;
    const struct {
        const char* what;
        std::vector<Candidate> visual;
        ArtCardBackResolution resolution;
        Summary expected;
    } cases[] = {
        {"single exact hit leads, visual scores untouched",
         {visual("v1", 0.5), visual("x", 0.4)},
         {{e("x")}, {e("n1")}, {}},
         {{"x", 1.0}, {"v1", 0.5}}},
        {"two exact hits share 0.75",
         {visual("v1", 0.3)},
         {{e("x"), e("y")}, {}, {}},
         {{"x", 0.75}, {"y", 0.75}, {"v1", 0.3}}},
        {"collector-confirmed visual hit beats name-only hits",
         {visual("c", 0.4), visual("n", 0.2), visual("plain", 0.5)},
         {{}, {e("n"), e("m")}, {e("c")}},
         {{"c", 0.9}, {"n", 0.85}, {"m", 0.65}, {"plain", 0.5}}},
        {"only three name-only hits are added",
         {},
         {{}, {e("a"), e("b"), e("c"), e("d"), e("f")}, {}},
         {{"a", 0.65}, {"b", 0.65}, {"c", 0.65}}},
        {"collector matches alone add nothing",
         {visual("v", 0.3)},
         {{}, {}, {e("c")}},
         {{"v", 0.3}}},
        {"a print seen twice keeps its higher score",
         {visual("x", 0.55)},
         {{e("x"), e("y")}, {}, {}},
         {{"x", 0.75}, {"y", 0.75}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summary(ArtCardBack::merge(c.visual, c.resolution, ScanFinish::foil)), c.expected) << c.what;

    const auto built = ArtCardBack::merge({}, ArtCardBackResolution{{entry("x", "Name", "7")}, {}, {}}, ScanFinish::foil);
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(built[0].name, "Name");
    EXPECT_EQ(built[0].collectorNumber, "7");
    EXPECT_EQ(built[0].finish, ScanFinish::foil);
    EXPECT_TRUE(built[0].isArtSeries);
    EXPECT_FALSE(built[0].priceUSD);
}

TEST(ArtCardBack, MergeCapsAtEightExceptWithoutResolution)
{
    std::vector<Candidate> many;
    for (int i = 0; i < 10; ++i)
        many.push_back(visual(QString::number(i), 0.5 - i * 0.01));
    EXPECT_EQ(ArtCardBack::merge(many, std::nullopt, ScanFinish::nonfoil), many);
    EXPECT_EQ(ArtCardBack::merge(many, ArtCardBackResolution{}, ScanFinish::nonfoil).size(), 8u);
    const auto withExact =
        ArtCardBack::merge(many, ArtCardBackResolution{{entry("x", "X", "1")}, {}, {}}, ScanFinish::nonfoil);
    ASSERT_EQ(withExact.size(), 8u);
    EXPECT_EQ(withExact[0].scryfallId, "x");
}
