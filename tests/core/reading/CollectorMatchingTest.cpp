#include "core/reading/CollectorMatching.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {

Candidate card(const QString& id, const QString& number, const QString& name = QStringLiteral("Lightning Bolt"),
               double score = 0)
{
    Candidate c;
    c.scryfallId = id;
    c.name = name;
    c.setCode = QStringLiteral("neo");
    c.collectorNumber = number;
    c.score = score;
    return c;
}

QStringList ids(const std::vector<Candidate>& list)
{
    QStringList out;
    for (const auto& c : list)
        out << c.scryfallId;
    return out;
}

} // namespace

TEST(CollectorMatching, FloatsMatches)
{
    const std::vector<Candidate> list{card("a", "124"), card("b", "12"), card("c", "123")};
    struct Case {
        const char* name;
        std::vector<Candidate> list;
        std::optional<QString> read;
        bool partial;
        QStringList expected;
    };
    const std::vector<Case> cases{
        {"exact wins over prefix", list, "12", true, {"b", "a", "c"}},
        {"prefix matches extend by one", {card("a", "124"), card("c", "123"), card("d", "1234")}, "12", true,
         {"a", "c", "d"}},
        {"prefix only when partial", {card("d", "1234"), card("a", "123")}, "12", false, {"d", "a"}},
        {"marks and zeros ignored on the read", {card("x", "9"), card("y", "7")}, "007★", false, {"y", "x"}},
        {"marks ignored on the catalogue side", {card("x", "9"), card("y", "7★")}, "7", false, {"y", "x"}},
        {"every candidate matches: unchanged", {card("x", "7"), card("y", "07")}, "7", false, {"x", "y"}},
        {"absent read: unchanged", list, std::nullopt, false, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ids(floatCollectorMatches(c.list, c.read, c.partial)), c.expected);
    }
}

TEST(CollectorMatching, PinsSingleAgreeingMatch)
{
    auto pinned = [](const std::vector<Candidate>& list, const QString& read, const QString& title, bool partial) {
        std::vector<double> scores;
        for (const auto& c : promoteCollectorPinnedMatch(list, read, title, partial))
            scores.push_back(c.score);
        return scores;
    };
    std::vector<Candidate> list{card("a", "124"), card("b", "12"), card("c", "123")};
    EXPECT_EQ(pinned(list, "12", "Lightning Bolt", false), (std::vector<double>{0, 0.95, 0}));
    EXPECT_EQ(pinned(list, "12", "Lightnlng Bolt", false), (std::vector<double>{0, 0.95, 0}));
    EXPECT_EQ(pinned(list, "12", "Bolt of Fire", false), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(pinned(list, "12", "Of Ox", false), (std::vector<double>{0, 0, 0})); // no significant word
    // Partial read without the exact number: two prefix matches, no pin.
    EXPECT_EQ(pinned({card("a", "124"), card("c", "123")}, "12", "Lightning Bolt", true),
              (std::vector<double>{0, 0}));

    std::vector<Candidate> many;
    for (int i = 0; i < 39; ++i)
        many.push_back(card(QString::number(i), QString::number(100 + i)));
    EXPECT_EQ(promoteCollectorPinnedMatch(many, "105", "Lightning Bolt", false)[5].score, 0.95);
    many.push_back(card("x", "999"));
    EXPECT_EQ(promoteCollectorPinnedMatch(many, "105", "Lightning Bolt", false)[5].score, 0.0);
}

TEST(CollectorMatching, TitlesAgree)
{
    struct Case {
        std::optional<QString> title;
        QString name;
        bool agree;
    };
    const std::vector<Case> cases{
        {"Lightning Bolt", "Lightning Bolt", true},
        {"Lightnlng Bolt", "Lightning Bolt", true},
        {"Bolt of Fire", "Lightning Bolt", false},
        {"Of Ox", "Lightning Bolt", true},
        {std::nullopt, "Anything", true},
        {"", "Anything", true},
        {"Ancient Copper Dragon Whelp", "Ancient Copper Dragon", true}, // three words, one unmatched
        {"Copper Whelp", "Copper Dragon", false},                       // two words, one unmatched
        {"Thalia, Guardian", "Thalia, Guardian of Thraben", true},
        {"Guar", "Guardian", true}, // a prefix counts
        // A name without a significant word takes its words as they are.
        {"Sengir Vampire", "Saw", false},
        {"Saw Rnnnn", "Saw", true},
        {"| Get Out.", "Get Out", true},
        {"Getaway Out", "Get Out", false},
        {"Mox Jeweled", "Mox Jet", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(titlesAgree(c.title, c.name), c.agree) << c.title.value_or("nil").toStdString();
    EXPECT_TRUE(titlesAgreeAcrossCandidates({"", ""}, "X"));
    EXPECT_TRUE(titlesAgreeAcrossCandidates({"Grass", "Lightning Bolt"}, "Lightning Bolt"));
    EXPECT_FALSE(titleCandidatesHaveComparableWords({"Of Ox", ""}));
    EXPECT_TRUE(editDistanceAtMostOne("bolt", "blt"));
    EXPECT_FALSE(editDistanceAtMostOne("bolt", "bl"));
    EXPECT_FALSE(editDistanceAtMostOne("bolt", "tolb"));
}

// Title candidates as read from real cards against catalogue names: a candidate without a
// significant word is no evidence either way, so it never outvotes one that names a card.
TEST(CollectorMatching, TitleCandidatesAgreeOnlyOnEvidence)
{
    struct Case {
        QStringList titles;
        QString name;
        bool agree;
    };
    const std::vector<Case> cases{
        {{"| Bedhead aeagne", "dee", "Bedhead Beastie"}, "Friendly Ghost", false},
        {{"| Bedhead aeagne", "dee", "Bedhead Beastie"}, "Bedhead Beastie", true},
        {{"( Atandonel can aTnd 3", "UKs"}, "Some Other Card", false},
        {{"Oe __", "Beastie Beatdo"}, "Beastie Beatdown", true},
        {{"if Kaito, Baye of Nightm"}, "Kaito, Bane of Nightmares", true},
        {{"dee", "Oe __"}, "Anything", true}, // nothing to compare: the callers ask for evidence
        {{"pcan tne ee", "Get Out", "oe) |"}, "Get Out", true},
        {{"pcan tne ee", "Got Oat"}, "Get Out", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(titlesAgreeAcrossCandidates(c.titles, c.name), c.agree) << c.titles.join(" | ").toStdString();
}

// Whether a read title names a card clearly enough to go before the printing of a complete
// strip read (titles as read from real cards).
TEST(CollectorMatching, TitlesCoverName)
{
    struct Case {
        QStringList titles;
        QString name;
        bool covers;
    };
    const std::vector<Case> cases{
        {{"east"}, "Peer Past the Veil", false},
        {{"Rare"}, "Waltz of Rage", false},
        {{"Lightning Bolt"}, "Lightning Bolt", true},
        {{"ievous Wound"}, "Grievous Wound", false},
        {{"Defiant SunINE"}, "Defiant Survivor", false},
        {{"( Island }"}, "Island", true},
        {{"dee", "Enduring Tenacity,"}, "Enduring Tenacity", true},
        {{"Enduring Tenacity"}, "Bottomless Pool // Locker Room", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(titlesCoverName(c.titles, c.name), c.covers) << c.titles.join(" | ").toStdString();
}

TEST(CollectorMatching, MergesAndQueries)
{
    const auto merged = mergeFirst({card("a", "1"), card("a", "1")}, {card("b", "2"), card("a", "3"), card("b", "2")});
    EXPECT_EQ(ids(merged), (QStringList{"a", "a", "b", "b"}));
    EXPECT_EQ(tokenTypeQuery("Goblin"), "Goblin t:token");
    EXPECT_EQ(artSeriesQuery("Goblin"), "Goblin is:artseries");
    EXPECT_EQ(applyManualSearchKind(ManualSearchKind::art, "Goblin IS:ARTSERIES"), "Goblin IS:ARTSERIES");
    EXPECT_EQ(applyManualSearchKind(ManualSearchKind::art, "Goblin"), "Goblin is:artseries");
    EXPECT_EQ(applyManualSearchKind(ManualSearchKind::token, "Goblin T:Token"), "Goblin T:Token");
    EXPECT_EQ(applyManualSearchKind(ManualSearchKind::token, "Goblin"), "Goblin t:token");
    EXPECT_EQ(applyManualSearchKind(ManualSearchKind::any, " x "), " x ");
    EXPECT_EQ(manualSearchKindFromRaw("token"), ManualSearchKind::token);
    EXPECT_EQ(manualSearchKindFromRaw("Token"), std::nullopt);
}

TEST(CollectorMatching, NotesAndReadNothing)
{
    CardAttribution a;
    EXPECT_TRUE(scanReadNothing(a));
    EXPECT_TRUE(unreadableNote(a).startsWith("No text detected."));
    a.title = "Goblin Guide";
    EXPECT_EQ(unreadableNote(a), "Read \u201CGoblin Guide\u201D but found no match. Search below or Skip.");
    EXPECT_FALSE(scanReadNothing(a));
    a.setCode = "neo";
    EXPECT_EQ(unreadableNote(a), "Read set NEO but no collector number. Search below or Skip.");
    a.collectorNumber = "045★";
    EXPECT_EQ(unreadableNote(a), "Read NEO 045★, but no card matched it. Search below or Skip.");
    a.collectorNumber = "";
    EXPECT_EQ(unreadableNote(a), "Read NEO , but no card matched it. Search below or Skip.");
    a.isArtSeries = true;
    EXPECT_TRUE(unreadableNote(a).startsWith("Read an Art Series back"));
    CardAttribution numberOnly;
    numberOnly.collectorNumber = "12";
    EXPECT_TRUE(scanReadNothing(numberOnly));
}

TEST(CollectorMatching, ReviewRowSearchText)
{
    const Candidate neo = [] {
        Candidate c = card("a", "1");
        c.setCode = " NEO ";
        return c;
    }();
    struct Case {
        QString typed;
        std::optional<Candidate> chosen;
        std::vector<Candidate> candidates;
        QString expected;
    };
    const std::vector<Case> cases{
        {"123", neo, {}, "set:neo 123"},
        {" 45a ", std::nullopt, {neo}, "set:neo 45a"},
        {"7★", neo, {}, "set:neo 7★"},
        {"123 a", neo, {}, "123 a"},
        {"123", std::nullopt, {}, "123"},
        {"Bolt", neo, {}, "Bolt"},
        {"", neo, {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reviewRowManualSearchQuery(c.typed, c.chosen, c.candidates), c.expected) << c.typed.toStdString();
}
