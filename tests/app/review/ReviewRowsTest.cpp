#include "app/review/FinishBarCounts.h"
#include "app/review/ReviewFilterContext.h"
#include "app/review/ReviewRows.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantry;

namespace {

using Row = CaptureViewModel::Row;
using RowKind = CaptureFilters::RowKind;

struct Spec {
    const char* name = nullptr; // none: no chosen printing
    const char* set = "neo";
    ScanFinish finish = ScanFinish::nonfoil;
    std::optional<double> price;
    Disposition disposition = Disposition::autoConfirm;
    bool reviewed = false;
    bool art = false;
    bool token = false;
    bool multiFeed = false;
    const char* note = nullptr;
    const char* otherCandidate = nullptr;
};

Row makeRow(const Spec& spec, int index)
{
    Row row;
    row.id = QUuid::createUuid();
    row.card.index = index;
    if (spec.name) {
        Candidate c;
        c.scryfallId = QStringLiteral("id-%1").arg(index);
        c.name = QString::fromUtf8(spec.name);
        c.setCode = QString::fromUtf8(spec.set);
        c.collectorNumber = QString::number(100 + index);
        c.finish = spec.finish;
        c.priceUSD = spec.price;
        c.priceUsdFoil = spec.price;
        c.isArtSeries = spec.art;
        row.chosen = c;
        row.candidates.push_back(c);
    } else {
        row.isArtSeries = spec.art;
    }
    if (spec.otherCandidate) {
        Candidate other;
        other.scryfallId = QStringLiteral("other-%1").arg(index);
        other.name = QString::fromUtf8(spec.otherCandidate);
        other.setCode = QStringLiteral("dom");
        other.collectorNumber = QStringLiteral("7");
        row.candidates.push_back(other);
    }
    row.disposition = spec.disposition;
    row.reviewed = spec.reviewed;
    row.isToken = spec.token;
    row.isMultiFeed = spec.multiFeed;
    if (spec.note)
        row.readNote = QString::fromUtf8(spec.note);
    return row;
}

// One batch with a row of every kind the filters tell apart; the index is the scan index.
std::vector<Row> batch()
{
    const Spec specs[] = {
        /*0*/ {.name = "Lightning Bolt", .set = "M10", .price = 2.5},
        /*1*/ {.name = "Shivan Dragon", .set = "neo", .finish = ScanFinish::foil, .price = 40, .disposition = Disposition::review},
        /*2*/ {.name = nullptr, .disposition = Disposition::unresolved, .note = "Collector strip unreadable",
               .otherCandidate = "Llanowar Elves"},
        /*3*/ {.name = "Goblin Token", .set = "tneo", .price = 0.1, .token = true},
        /*4*/ {.name = "Ornithopter", .set = "neo", .finish = ScanFinish::etched, .price = 2.5, .reviewed = true},
        /*5*/ {.name = "Elvish Art", .set = "aneo", .disposition = Disposition::review, .art = true},
        // A multi-feed settled by a chosen printing is no multi-feed any more; 8 is still open.
        /*6*/ {.name = "Counterspell", .set = "m10", .price = 12, .multiFeed = true},
        /*7*/ {.name = nullptr, .disposition = Disposition::review, .art = true},
        /*8*/ {.name = nullptr, .disposition = Disposition::unresolved, .multiFeed = true},
    };
    std::vector<Row> rows;
    int index = 0;
    for (const Spec& spec : specs)
        rows.push_back(makeRow(spec, index++));
    return rows;
}

std::vector<qint64> indexes(const std::vector<const Row*>& rows)
{
    std::vector<qint64> out;
    for (const Row* row : rows)
        out.push_back(row->card.index);
    return out;
}

} // namespace

TEST(ReviewRows, FiltersSearchAndSortTogether)
{
    const std::vector<Row> rows = batch();
    auto with = [](auto edit) {
        CaptureFilters f;
        edit(f);
        return f;
    };
    struct Case {
        const char* what;
        CaptureFilters filters;
        ReviewSort sort;
        std::vector<qint64> expected;
    };
    const Case cases[] = {
        {"defaults: reviewed row hidden, attention first", {}, ReviewSort::smart, {2, 8, 1, 5, 7, 0, 3, 6}},
        {"reviewed shown in scan order within ranks", with([](auto& f) { f.hideReviewed = false; }), ReviewSort::smart,
         {2, 8, 1, 5, 7, 0, 3, 4, 6}},
        {"reviewed chip shows only reviewed rows despite hiding", with([](auto& f) { f.reviewedFilter = true; }),
         ReviewSort::smart, {4}},
        {"foil", with([](auto& f) { f.finishFilter = ScanFinish::foil; }), ReviewSort::smart, {1}},
        {"etched row hidden as reviewed: the list is empty, the filter holds",
         with([](auto& f) { f.finishFilter = ScanFinish::etched; }), ReviewSort::smart, {}},
        {"surge selected but no surge row: inert", with([](auto& f) { f.finishFilter = ScanFinish::surge; }),
         ReviewSort::smart, {2, 8, 1, 5, 7, 0, 3, 6}},
        {"set filter any case of the code, chosen only", with([](auto& f) { f.setFilter = QStringLiteral("m10"); }),
         ReviewSort::smart, {0, 6}},
        {"set absent from the batch: inert", with([](auto& f) { f.setFilter = QStringLiteral("dom"); }),
         ReviewSort::smart, {2, 8, 1, 5, 7, 0, 3, 6}},
        {"art: chosen printing's flag, else the row's", with([](auto& f) { f.kindFilter = RowKind::art; }),
         ReviewSort::smart, {5, 7}},
        {"tokens", with([](auto& f) { f.kindFilter = RowKind::token; }), ReviewSort::smart, {3}},
        {"multi-feed: only rows no printing settled", with([](auto& f) { f.kindFilter = RowKind::multiFeed; }),
         ReviewSort::smart, {8}},
        {"needs review: rows without a chosen printing", with([](auto& f) { f.needsReviewFilter = true; }),
         ReviewSort::smart, {2, 8, 7}},
        {"search trimmed and case-folded", with([](auto& f) { f.searchText = QStringLiteral("  BOLT\n"); }),
         ReviewSort::smart, {0}},
        {"search of blanks filters nothing", with([](auto& f) { f.searchText = QStringLiteral(" \t "); }),
         ReviewSort::smart, {2, 8, 1, 5, 7, 0, 3, 6}},
        {"words in any order, set code too", with([](auto& f) { f.searchText = QStringLiteral("m10 counter"); }),
         ReviewSort::smart, {6}},
        {"other candidates and the read note are searched",
         with([](auto& f) { f.searchText = QStringLiteral("llanowar strip"); }), ReviewSort::smart, {2}},
        {"art series words find every art row", with([](auto& f) { f.searchText = QStringLiteral("series art"); }),
         ReviewSort::smart, {5, 7}},
        {"token finds token rows and names holding it", with([](auto& f) { f.searchText = QStringLiteral("token"); }),
         ReviewSort::smart, {3}},
        {"search and chip both apply",
         with([](auto& f) {
             f.searchText = QStringLiteral("neo");
             f.finishFilter = ScanFinish::nonfoil;
         }),
         ReviewSort::smart, {5, 3}},
        {"a row without a choice never matches a finish",
         with([](auto& f) {
             f.finishFilter = ScanFinish::nonfoil;
             f.searchText = QStringLiteral("llanowar");
         }),
         ReviewSort::smart, {}},
        {"price high to low, unpriced last in scan order", {}, ReviewSort::priceHighToLow, {1, 6, 0, 3, 2, 5, 7, 8}},
        {"price low to high, equal prices in scan order", with([](auto& f) { f.hideReviewed = false; }),
         ReviewSort::priceLowToHigh, {3, 0, 4, 6, 1, 2, 5, 7, 8}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(indexes(ReviewRows::ordered(rows, c.filters, c.sort)), c.expected) << c.what;
}

TEST(ReviewRows, ContextKeepsOnlySelectionsSomeRowHas)
{
    std::vector<Row> rows = batch();
    CaptureFilters filters;
    filters.finishFilter = ScanFinish::etched;
    filters.needsReviewFilter = true;
    filters.reviewedFilter = true;
    filters.setFilter = QStringLiteral("NEO");
    filters.kindFilter = RowKind::token;
    ReviewFilterContext all = ReviewFilterContext::make(rows, filters);
    EXPECT_EQ(all, (ReviewFilterContext{ScanFinish::etched, QStringLiteral("neo"), RowKind::token, true, true}));

    // Every etched, reviewed, token, unchosen and NEO row goes: each selection turns inert but stays stored.
    std::erase_if(rows, [](const Row& r) {
        return !r.chosen || r.reviewed || r.isToken || r.chosen->setCode == "neo";
    });
    EXPECT_EQ(ReviewFilterContext::make(rows, filters), ReviewFilterContext{});
    EXPECT_EQ(filters.finishFilter, ScanFinish::etched);

    // An etched row arrives again: the list is filtered to it without a click.
    Row etched = makeRow({.name = "Etched Again", .set = "m10", .finish = ScanFinish::etched}, 20);
    rows.push_back(etched);
    EXPECT_EQ(ReviewFilterContext::make(rows, filters).finish, ScanFinish::etched);
    EXPECT_EQ(indexes(ReviewRows::ordered(rows, filters, ReviewSort::smart)), std::vector<qint64>{20});
}

TEST(FinishBarCounts, CountRowsTheWayTheChipsFilterThem)
{
    const std::vector<Row> rows = batch();
    struct Case {
        const char* what;
        std::vector<Row> rows;
        bool hideReviewed;
        FinishBarCounts expected;
    };
    const Case cases[] = {
        {"no rows", {}, true, {}},
        // total, foil, nonfoil, etched, surge, art, token, multiFeed, needsReview, reviewed
        {"reviewed rows hidden count only as reviewed", rows, true, {8, 1, 4, 0, 0, 2, 1, 1, 3, 1}},
        {"reviewed rows shown count everywhere", rows, false, {9, 1, 4, 1, 0, 2, 1, 1, 3, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FinishBarCounts::of(c.rows, c.hideReviewed), c.expected) << c.what;
}
