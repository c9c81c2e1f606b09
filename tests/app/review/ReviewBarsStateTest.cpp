#include "app/review/ReviewBarsState.h"
#include "app/review/ReviewRows.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace vantry;

namespace {

using Row = CaptureViewModel::Row;
using RowKind = CaptureFilters::RowKind;

Row row(int index, std::optional<ScanFinish> finish, const char* set = "neo", bool reviewed = false)
{
    Row r;
    r.id = QUuid::createUuid();
    r.card.index = index;
    if (finish) {
        Candidate c;
        c.scryfallId = QStringLiteral("id-%1").arg(index);
        c.name = QStringLiteral("Card %1").arg(index);
        c.setCode = QString::fromUtf8(set);
        c.finish = *finish;
        r.chosen = c;
        r.candidates = {c};
    }
    r.reviewed = reviewed;
    return r;
}

ReviewBarsState bars(const std::vector<Row>& rows, const CaptureFilters& filters,
                     ReviewSort sort = ReviewSort::smart)
{
    const ReviewFilterContext context = ReviewFilterContext::make(rows, filters);
    return ReviewBarsState::of(rows, filters, context, ReviewRows::ordered(rows, filters, context, sort).size(), sort);
}

QStringList chipLine(const std::vector<FilterChip>& chips)
{
    QStringList out;
    for (const FilterChip& chip : chips)
        out << QStringLiteral("%1 %2%3").arg(chip.label).arg(chip.count).arg(chip.active ? "*" : "");
    return out;
}

const FilterChip& chip(const ReviewBarsState& state, const QString& label)
{
    for (const FilterChip& c : state.chips)
        if (c.label == label)
            return c;
    for (const FilterChip& c : state.setChips)
        if (c.label == label)
            return c;
    throw std::runtime_error("no chip " + label.toStdString());
}

// Every filter set, so an action that forgets to clear one shows.
CaptureFilters dirty()
{
    CaptureFilters f;
    f.finishFilter = ScanFinish::foil;
    f.kindFilter = RowKind::token;
    f.needsReviewFilter = true;
    f.reviewedFilter = true;
    f.setFilter = QStringLiteral("neo");
    f.searchText = QStringLiteral("bolt");
    f.hideReviewed = false;
    return f;
}

} // namespace

TEST(ReviewBarsState, ChipsShowTheirCountsAndTheEffectiveChoice)
{
    std::vector<Row> rows{row(0, ScanFinish::foil), row(1, ScanFinish::etched), row(2, std::nullopt),
                          row(3, ScanFinish::nonfoil, "m10", true)};
    rows[0].isToken = true;
    auto with = [](auto edit) {
        CaptureFilters f;
        edit(f);
        return f;
    };
    struct Case {
        const char* what;
        CaptureFilters filters;
        QStringList expected;
        bool showsHideReviewed;
    };
    const Case cases[] = {
        {"defaults", {}, {"All 3*", "Foil 1", "Nonfoil 0", "Etched 1", "Tokens 1", "Needs review 1", "Reviewed 1"},
         true},
        {"foil", with([](auto& f) { f.finishFilter = ScanFinish::foil; }),
         {"All 3", "Foil 1*", "Nonfoil 0", "Etched 1", "Tokens 1", "Needs review 1", "Reviewed 1"}, true},
        {"a surge choice with no surge row leaves All active",
         with([](auto& f) { f.finishFilter = ScanFinish::surge; }),
         {"All 3*", "Foil 1", "Nonfoil 0", "Etched 1", "Tokens 1", "Needs review 1", "Reviewed 1"}, true},
        {"reviewed chip: the checkbox goes, counts still leave reviewed rows out",
         with([](auto& f) { f.reviewedFilter = true; }),
         {"All 3", "Foil 1", "Nonfoil 0", "Etched 1", "Tokens 1", "Needs review 1", "Reviewed 1*"}, false},
        {"reviewed rows shown", with([](auto& f) { f.hideReviewed = false; }),
         {"All 4*", "Foil 1", "Nonfoil 1", "Etched 1", "Tokens 1", "Needs review 1", "Reviewed 1"}, true},
        {"kind", with([](auto& f) { f.kindFilter = RowKind::token; }),
         {"All 3", "Foil 1", "Nonfoil 0", "Etched 1", "Tokens 1*", "Needs review 1", "Reviewed 1"}, true},
    };
    for (const Case& c : cases) {
        const ReviewBarsState state = bars(rows, c.filters);
        EXPECT_EQ(chipLine(state.chips), c.expected) << c.what;
        EXPECT_EQ(state.showsHideReviewed, c.showsHideReviewed) << c.what;
    }

    // No reviewed row: neither the chip nor the checkbox, and a stored "Reviewed" choice is ignored.
    rows.pop_back();
    const ReviewBarsState none = bars(rows, with([](auto& f) { f.reviewedFilter = true; }));
    EXPECT_FALSE(none.showsHideReviewed);
    EXPECT_TRUE(chip(none, "All").active);
    EXPECT_FALSE(chipLine(none.chips).join(',').contains("Reviewed"));
}

TEST(ReviewBarsState, ChipActionsAreOneExclusiveChoiceAndNeverTouchSetSearchOrHiding)
{
    const std::vector<Row> rows{row(0, ScanFinish::foil), row(1, ScanFinish::surge), row(2, std::nullopt),
                                row(3, ScanFinish::etched, "neo", true)};
    std::vector<Row> kinds = rows;
    kinds[0].isToken = true;
    kinds[1].isArtSeries = true;
    kinds[1].chosen->isArtSeries = true;
    kinds[2].isMultiFeed = true;
    const ReviewBarsState state = bars(kinds, {});

    struct Expect {
        const char* label;
        std::optional<ScanFinish> finish;
        std::optional<RowKind> kind;
        bool needsReview;
        bool reviewed;
    };
    const Expect expectations[] = {
        {"All", std::nullopt, std::nullopt, false, false},
        {"Foil", ScanFinish::foil, std::nullopt, false, false},
        {"Nonfoil", ScanFinish::nonfoil, std::nullopt, false, false},
        {"Surge", ScanFinish::surge, std::nullopt, false, false},
        {"Art cards", std::nullopt, RowKind::art, false, false},
        {"Tokens", std::nullopt, RowKind::token, false, false},
        {"Multi-feed", std::nullopt, RowKind::multiFeed, false, false},
        {"Needs review", std::nullopt, std::nullopt, true, false},
        {"Reviewed", std::nullopt, std::nullopt, false, true},
    };
    for (const Expect& e : expectations) {
        CaptureFilters f = dirty();
        chip(state, QString::fromUtf8(e.label)).apply(f);
        EXPECT_EQ(f.finishFilter, e.finish) << e.label;
        EXPECT_EQ(f.kindFilter, e.kind) << e.label;
        EXPECT_EQ(f.needsReviewFilter, e.needsReview) << e.label;
        EXPECT_EQ(f.reviewedFilter, e.reviewed) << e.label;
        EXPECT_EQ(f.setFilter, QStringLiteral("neo")) << e.label;
        EXPECT_EQ(f.searchText, QStringLiteral("bolt")) << e.label;
        EXPECT_FALSE(f.hideReviewed) << e.label;
        // Pressing an active chip again keeps the choice.
        CaptureFilters again = f;
        chip(state, QString::fromUtf8(e.label)).apply(again);
        EXPECT_EQ(again, f) << e.label;
    }
}

TEST(ReviewBarsState, SetBarCountsWhatTheReviewedGateLetsThroughAndToggles)
{
    const std::vector<Row> rows{row(0, ScanFinish::foil, "neo"), row(1, ScanFinish::nonfoil, "M10"),
                                row(2, ScanFinish::nonfoil, "m10"), row(3, std::nullopt),
                                row(4, ScanFinish::nonfoil, "dom", true)};
    CaptureFilters filters;
    filters.finishFilter = ScanFinish::foil; // chips and search do not change the set counts
    filters.searchText = QStringLiteral("nothing matches this");
    EXPECT_EQ(chipLine(bars(rows, filters).setChips), (QStringList{"All sets 3*", "M10 2", "NEO 1"}));

    filters.reviewedFilter = true; // the set bar then counts reviewed rows only
    EXPECT_EQ(chipLine(bars(rows, filters).setChips), (QStringList{"All sets 1*", "DOM 1"}));

    // A chosen set whose rows are all hidden: its chip goes, the filter stays and empties the list.
    CaptureFilters hidden;
    hidden.setFilter = QStringLiteral("dom");
    const ReviewBarsState state = bars(rows, hidden);
    EXPECT_EQ(chipLine(state.setChips), (QStringList{"All sets 3", "M10 2", "NEO 1"}));
    EXPECT_TRUE(state.showsFilteredEmpty);
    EXPECT_EQ(state.filteredEmptyLine, "5 cards in this batch are hidden by the current search or chips.");

    CaptureFilters f = dirty();
    chip(state, "M10").apply(f);
    EXPECT_EQ(f.setFilter, QStringLiteral("m10"));
    chip(state, "M10").apply(f);
    EXPECT_EQ(f.setFilter, std::nullopt);
    chip(state, "NEO").apply(f);
    chip(state, "All sets").apply(f);
    EXPECT_EQ(f.setFilter, std::nullopt);
    EXPECT_EQ(f.finishFilter, dirty().finishFilter);
    EXPECT_EQ(f.searchText, dirty().searchText);

    // No chosen printing anywhere: no set bar.
    EXPECT_TRUE(bars({row(0, std::nullopt)}, {}).setChips.empty());
}

TEST(ReviewBarsState, SearchCountSortLabelAndReset)
{
    const std::vector<Row> rows{row(0, ScanFinish::foil), row(1, ScanFinish::nonfoil)};
    struct Case {
        QString search;
        bool showsCount;
        QString count;
    };
    const Case cases[] = {{"", false, ""}, {"   ", false, ""}, {" CARD 1 ", true, "1 of 2"}, {"card", true, "2 of 2"},
                          {"zzz", true, "0 of 2"}};
    for (const Case& c : cases) {
        CaptureFilters f;
        f.searchText = c.search;
        const ReviewBarsState state = bars(rows, f);
        EXPECT_EQ(state.showsSearchCount, c.showsCount) << c.search.toStdString();
        EXPECT_EQ(state.searchCount, c.count) << c.search.toStdString();
    }
    CaptureFilters one;
    one.searchText = QStringLiteral("zzz");
    EXPECT_EQ(bars({row(0, ScanFinish::foil)}, one).filteredEmptyLine,
              "1 card in this batch are hidden by the current search or chips.");

    EXPECT_EQ(bars(rows, {}, ReviewSort::smart).sortLabel, "Sort");
    EXPECT_FALSE(bars(rows, {}, ReviewSort::smart).sortStandsOut);
    EXPECT_EQ(bars(rows, {}, ReviewSort::priceLowToHigh).sortLabel, "Price: low to high");
    EXPECT_TRUE(bars(rows, {}, ReviewSort::priceHighToLow).sortStandsOut);

    CaptureFilters f = dirty();
    ReviewBarsState::resetFilters(f);
    CaptureFilters expected;
    expected.hideReviewed = false; // reset shows reviewed rows, although they start hidden
    EXPECT_EQ(f, expected);
}
