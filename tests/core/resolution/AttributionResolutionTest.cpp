#include "core/resolution/AttributionResolution.h"
#include "support/RecordingResolver.h"

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace vantry;
using test::makeCandidate;

namespace {

CardAttribution read(QString set, QString number, bool token = false, std::optional<QString> title = std::nullopt,
                     bool complete = true)
{
    CardAttribution a;
    a.setCode = set;
    a.collectorNumber = number;
    a.collectorNumberIsComplete = complete;
    a.isToken = token;
    a.title = title;
    a.language = "en";
    return a;
}

// A lookup over a table "SET/number" -> candidates, recording its calls.
struct Lookup {
    std::map<QString, std::vector<Candidate>> table;
    std::shared_ptr<QStringList> calls = std::make_shared<QStringList>();

    SetCollectorLookup fn() const
    {
        return [table = table, calls = calls](QString set, QString number, ScanFinish finish,
                                              std::optional<QString>) -> QCoro::Task<std::vector<Candidate>> {
            *calls << set + u'/' + number + u' ' + rawValue(finish);
            const auto it = table.find(set + u'/' + number);
            co_return it == table.end() ? std::vector<Candidate>{} : it->second;
        };
    }
};

} // namespace

TEST(AttributionResolution, SetCodesTried)
{
    struct Case {
        CardAttribution attribution;
        QStringList calls;
    };
    const std::vector<Case> cases{
        {read("NEO", "12"), {"NEO/12 nonfoil", "TNEO/12 nonfoil"}},
        {read("TSR", "12"), {"TSR/12 nonfoil"}},
        {read("NEO", "12", true), {"TNEO/12 nonfoil", "NEO/12 nonfoil"}},
        // A token read tries "T" + code first even when the code starts with "T".
        {read("TSR", "12", true), {"TTSR/12 nonfoil", "TSR/12 nonfoil"}},
        {read("NEO", ""), {"NEO/ nonfoil", "TNEO/ nonfoil"}}, // an empty number counts as read
    };
    for (const auto& c : cases) {
        Lookup lookup;
        const auto r = QCoro::waitFor(resolveAttribution(c.attribution, ScanFinish::nonfoil, {"Goblin Guide"}, lookup.fn()));
        EXPECT_EQ(r, AttributionResolution::none());
        EXPECT_EQ(*lookup.calls, c.calls);
    }
    CardAttribution noNumber = read("NEO", "");
    noNumber.collectorNumber.reset();
    Lookup lookup;
    EXPECT_EQ(QCoro::waitFor(resolveAttribution(noNumber, ScanFinish::nonfoil, {"x"}, lookup.fn())),
              AttributionResolution::none());
    EXPECT_TRUE(lookup.calls->isEmpty());
}

TEST(AttributionResolution, TrustDependsOnTheTitle)
{
    const Candidate bolt = makeCandidate("bolt", "Lightning Bolt", "neo", "12", 1);
    const Candidate guide = makeCandidate("guide", "Goblin Guide", "tneo", "12", 1);
    const Candidate getOut = makeCandidate("out", "Get Out", "neo", "12", 1);
    struct Case {
        const char* name;
        std::map<QString, std::vector<Candidate>> table;
        QStringList titles;
        AttributionResolution expected;
    };
    const std::vector<Case> cases{
        {"first disagrees, second empty", {{"NEO/12", {bolt}}}, {"Goblin Guide"}, AttributionResolution::demote(bolt)},
        {"first disagrees, second agrees", {{"NEO/12", {bolt}}, {"TNEO/12", {guide}}}, {"Goblin Guide"},
         AttributionResolution::trusted({guide})},
        {"agrees", {{"NEO/12", {bolt, guide}}}, {"Lightnlng Bolt"}, AttributionResolution::trusted({bolt, guide})},
        {"an alternative agrees", {{"NEO/12", {bolt}}}, {"Grixis Panorama", "Lightning Bolt"},
         AttributionResolution::trusted({bolt})},
        {"no readable title", {{"NEO/12", {bolt}}}, {"Of Ox", ""}, AttributionResolution::demote(bolt)},
        {"no titles", {{"NEO/12", {bolt}}}, {}, AttributionResolution::demote(bolt)},
        // Real title reads: junk beside a title naming another card is no agreement.
        {"junk alternative beside a disagreeing title", {{"NEO/12", {bolt}}}, {"| Bedhead aeagne", "dee"},
         AttributionResolution::demote(bolt)},
        // A name of short words is read by its words, and only by them.
        {"short name read", {{"NEO/12", {getOut}}}, {". Get Out"}, AttributionResolution::trusted({getOut})},
        {"short name read beside junk", {{"NEO/12", {getOut}}}, {"pcan tne ee", "Get Out"},
         AttributionResolution::trusted({getOut})},
        {"short name misread", {{"NEO/12", {getOut}}}, {"Got Oat"}, AttributionResolution::demote(getOut)},
        {"short name against another card's title", {{"NEO/12", {getOut}}}, {"Goblin Guide"},
         AttributionResolution::demote(getOut)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Lookup lookup{c.table};
        EXPECT_EQ(QCoro::waitFor(resolveAttribution(read("NEO", "12"), ScanFinish::nonfoil, c.titles, lookup.fn())),
                  c.expected);
    }
    // A cut-off or short number read is looked up but never trusted.
    Lookup lookup{{{"NEO/12", {bolt}}}};
    EXPECT_EQ(QCoro::waitFor(resolveAttribution(read("NEO", "12", false, std::nullopt, false), ScanFinish::nonfoil,
                                                {"Lightning Bolt"}, lookup.fn())),
              AttributionResolution::demote(bolt));
}

TEST(AttributionResolution, SidewaysRetry)
{
    const Candidate bolt = makeCandidate("bolt", "Lightning Bolt", "neo", "12", 1);
    Lookup lookup{{{"NEO/12★", {bolt}}}};
    QList<int> reads;
    const AttributionReader readAt = [&](int turns) -> QCoro::Task<CardAttribution> {
        reads << turns;
        co_return read("NEO", "12★", false, QString("Lightning Bolt"));
    };
    // The star counts only with automatic foil detection on.
    auto found = QCoro::waitFor(resolveSidewaysAttribution(ScanFinish::nonfoil, true, {1}, readAt, lookup.fn()));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->candidates.front().scryfallId, "bolt");
    EXPECT_EQ(found->attribution.collectorNumber, QString("12★"));
    EXPECT_EQ(lookup.calls->front(), "NEO/12★ foil");
    lookup.calls->clear();
    EXPECT_TRUE(QCoro::waitFor(resolveSidewaysAttribution(ScanFinish::nonfoil, false, {1}, readAt, lookup.fn())));
    EXPECT_EQ(lookup.calls->front(), "NEO/12★ nonfoil");

    // A demoted rotated hit is not kept; no turns, no calls.
    lookup.calls->clear();
    reads.clear();
    const AttributionReader untitled = [&](int turns) -> QCoro::Task<CardAttribution> {
        reads << turns;
        co_return read("NEO", "12★");
    };
    EXPECT_FALSE(QCoro::waitFor(resolveSidewaysAttribution(ScanFinish::nonfoil, false, {1, 3}, untitled, lookup.fn())));
    EXPECT_EQ(reads, (QList<int>{1, 3}));
    reads.clear();
    lookup.calls->clear();
    EXPECT_FALSE(QCoro::waitFor(resolveSidewaysAttribution(ScanFinish::nonfoil, false, {}, untitled, lookup.fn())));
    EXPECT_TRUE(reads.isEmpty());
    EXPECT_TRUE(lookup.calls->isEmpty());
}
