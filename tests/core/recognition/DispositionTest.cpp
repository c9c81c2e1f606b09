#include "core/recognition/Disposition.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {

Candidate card(const QString& id, double score, ScanFinish finish = ScanFinish::nonfoil)
{
    Candidate c;
    c.scryfallId = id;
    c.name = QStringLiteral("Lightning Bolt");
    c.setCode = QStringLiteral("neo");
    c.collectorNumber = QStringLiteral("45");
    c.finish = finish;
    c.score = score;
    return c;
}

std::vector<Candidate> scored(std::initializer_list<double> scores)
{
    std::vector<Candidate> out;
    for (double s : scores)
        out.push_back(card(QString::number(out.size()), s));
    return out;
}

} // namespace

TEST(Disposition, Decides)
{
    struct Case {
        std::vector<Candidate> list;
        double threshold, gap;
        Disposition expected;
    };
    const std::vector<Case> cases{
        {{}, 0.92, 0.04, Disposition::unresolved},
        {scored({0.95}), 0.92, 0.04, Disposition::autoConfirm},
        {scored({0.95, 0.93}), 0.92, 0.04, Disposition::review},
        {scored({0.92, 0.88}), 0.92, 0.04, Disposition::autoConfirm},
        // 0.95 - 0.91 is 0.0399999... in binary: still a lead of 0.04.
        {scored({0.95, 0.91}), 0.92, 0.04, Disposition::autoConfirm},
        {scored({0.03}), 0.0, 0.04, Disposition::review},
        {scored({0.91}), 0.92, 0.04, Disposition::review},
        {scored({0.5, 0.99}), 0.4, 0.04, Disposition::review}, // order is taken as given
        // Two equally scored printings stay for review even with no gap asked for.
        {scored({0.97, 0.97}), 0.92, 0.0, Disposition::review},
        {scored({0.97, 0.97}), 0.92, 1e-12, Disposition::review},
        {scored({0.97, 0.9699}), 0.92, 0.0, Disposition::autoConfirm},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(decideDisposition(cases[i].list, cases[i].threshold, cases[i].gap), cases[i].expected) << i;

    // Log fields print the case name ("disp=auto"), not the C++ enumerator.
    EXPECT_EQ(rawValue(Disposition::autoConfirm), QStringLiteral("auto"));
    EXPECT_EQ(rawValue(Disposition::review), QStringLiteral("review"));
    EXPECT_EQ(rawValue(Disposition::unresolved), QStringLiteral("unresolved"));
}

TEST(Disposition, ValidatesAutoConfirmation)
{
    auto attribution = [](std::optional<QString> set, std::optional<QString> number, bool token = false,
                          std::optional<QString> title = QString("Lightning Bolt"), QStringList alts = {},
                          bool complete = true) {
        CardAttribution a;
        a.setCode = set;
        a.collectorNumber = number;
        a.collectorNumberIsComplete = complete;
        a.isToken = token;
        a.title = title;
        a.titleAlternatives = alts;
        return a;
    };
    auto withSet = [](QString set, QString number = "45", QString name = "Lightning Bolt") {
        Candidate c = card("x", 1.0);
        c.setCode = set;
        c.collectorNumber = number;
        c.name = name;
        return c;
    };
    struct Case {
        const char* name;
        Candidate candidate;
        CardAttribution attribution;
        std::optional<QString> reason;
    };
    const std::vector<Case> cases{
        {"set case ignored", withSet("neo"), attribution("NEO", "45"), {}},
        {"token set accepted for token read", withSet("tneo"), attribution("NEO", "45", true), {}},
        {"token set refused otherwise", withSet("tneo"), attribution("NEO", "45"), "setMismatch"},
        {"marks and zeros", withSet("neo", "45"), attribution("NEO", "045★"), {}},
        {"letter case", withSet("neo", "12A"), attribution("NEO", "12a"), {}},
        {"catalogue star stripped", withSet("neo", "12★"), attribution("NEO", "12"), {}},
        {"number differs", withSet("neo", "46"), attribution("NEO", "45"), "collectorMismatch"},
        {"short title words never demote", withSet("neo"), attribution({}, {}, false, "Of Ox"), {}},
        {"title differs", withSet("neo"), attribution({}, {}, false, "Goblin Guide"), "titleMismatch"},
        {"an alternative agrees", withSet("neo"), attribution({}, {}, false, "Goblin Guide", {"Lightning Bolt"}), {}},
        {"no title for a strip read", withSet("neo"), attribution("NEO", "45", false, std::nullopt), "titleMismatch"},
        {"only short title words for a strip read", withSet("neo"), attribution("NEO", "45", false, "Of Ox"),
         "titleMismatch"},
        {"junk alternative beside a disagreeing title", withSet("neo"),
         attribution("NEO", "45", false, "| Bedhead aeagne", {"dee"}), "titleMismatch"},
        {"cut-off or short number", withSet("neo"), attribution("NEO", "45", false, "Lightning Bolt", {}, false),
         "collectorIncomplete"},
        {"no strip, no title", withSet("neo"), attribution({}, {}, false, std::nullopt), {}},
        {"a short name against a title naming another card", withSet("dsk", "45", "Saw"),
         attribution("DSK", "45", false, "Sengir Vampire"), "titleMismatch"},
        {"a short name read among junk", withSet("dsk", "45", "Saw"), attribution("DSK", "45", false, "| Saw cree"),
         {}},
        {"a short name read alone", withSet("dsk", "45", "Get Out"), attribution("DSK", "45", false, "Get Out"), {}},
        {"a short name misread", withSet("dsk", "45", "Get Out"), attribution("DSK", "45", false, "Got Oat"),
         "titleMismatch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(validateAutoConfirmCandidate(c.candidate, c.attribution).demotionReason, c.reason);
    }

    const auto demoted = validatedDisposition({withSet("neo", "46")}, attribution("NEO", "45"));
    EXPECT_EQ(demoted.disposition, Disposition::review);
    EXPECT_EQ(demoted.validation, AutoConfirmValidation::demote("collectorMismatch"));
    EXPECT_EQ(validatedDisposition({}, attribution("NEO", "45")).disposition, Disposition::unresolved);
    EXPECT_EQ(validatedDisposition({withSet("neo")}, attribution("NEO", "45")),
              (ValidatedDisposition{Disposition::autoConfirm, AutoConfirmValidation::pass()}));
}

TEST(Disposition, ItemIdentityAndAggregation)
{
    EXPECT_DOUBLE_EQ(clampUnit(1.23456), 1.0);
    EXPECT_DOUBLE_EQ(clampUnit(-0.2), 0.0);
    EXPECT_DOUBLE_EQ(clampUnit(0.123456), 0.1235);
    EXPECT_DOUBLE_EQ(clampUnit(std::nan("")), 0.0);

    Candidate art = card("art", 1.0);
    art.isArtSeries = true;
    art.artSeriesVariant = ArtSeriesVariant::signature;
    EXPECT_EQ(scanItemId(art), "art:nonfoil:signature");
    art.artSeriesVariant = ArtSeriesVariant::plain;
    EXPECT_EQ(scanItemId(art), "art:nonfoil");
    EXPECT_EQ(makeScanItem(art, 1, 1, "me", {}, {}).artSeriesVariant, QString("plain"));
    Candidate notArt = card("n", 1.0, ScanFinish::etched);
    notArt.artSeriesVariant = ArtSeriesVariant::signature;
    EXPECT_EQ(scanItemId(notArt), "n:etched");
    EXPECT_EQ(makeScanItem(notArt, 1, 1, "me", {}, {}).artSeriesVariant, std::nullopt);

    const auto items = aggregateItems({card("A", 0.9, ScanFinish::foil), card("B", 0.8), card("A", 0.7, ScanFinish::foil),
                                       card("A", 0.5, ScanFinish::nonfoil)},
                                      "scanner", QString("NM"), 0.25);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].itemId, "A:foil");
    EXPECT_EQ(items[0].count, 2);
    EXPECT_DOUBLE_EQ(items[0].confidence, 0.7);
    EXPECT_EQ(items[1].itemId, "B:nonfoil");
    EXPECT_EQ(items[1].count, 1);
    EXPECT_EQ(items[2].itemId, "A:nonfoil");
    EXPECT_EQ(items[2].condition, QString("NM"));
    EXPECT_EQ(items[2].unitCost, 0.25);
    EXPECT_EQ(items[2].addedBy, "scanner");
}
