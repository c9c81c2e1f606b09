#include "app/review/ReviewChipFilter.h"
#include "app/review/ReviewSearch.h"
#include "app/review/ReviewSort.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <vector>

using namespace vantry;

namespace {

std::vector<qint64> sortedIndexes(ReviewSort order, std::vector<ReviewSort::Key> keys)
{
    std::stable_sort(keys.begin(), keys.end(),
                     [order](const ReviewSort::Key& a, const ReviewSort::Key& b) { return order.orders(a, b); });
    std::vector<qint64> indexes;
    for (const auto& key : keys)
        indexes.push_back(key.scanIndex);
    return indexes;
}

ReviewSort::Key ranked(int rank, qint64 index) { return {rank, std::nullopt, index}; }
ReviewSort::Key priced(std::optional<double> price, qint64 index) { return {1, price, index}; }

} // namespace

TEST(ReviewSort, OrdersRowsAsEachMenuEntryPromises)
{
    // Ranks and prices disagree with scan order on purpose, so a sort that looks at the wrong
    // field shows.
    const std::vector<ReviewSort::Key> attention{ranked(2, 0), ranked(0, 5), ranked(1, 3), ranked(0, 2)};
    const std::vector<ReviewSort::Key> prices{priced(5, 0), priced(std::nullopt, 1), priced(20, 2), priced(5, 3),
                                              priced(std::nullopt, 4)};
    const std::vector<ReviewSort::Key> ranksIgnoredByPrice{{0, 1.0, 0}, {2, 9.0, 1}, {1, std::nullopt, 2}};
    const std::vector<ReviewSort::Key> pricesIgnoredBySmart{{1, 1.0, 1}, {1, 50.0, 0}, {0, 3.0, 2}};

    struct Case {
        const char* name;
        ReviewSort order;
        const std::vector<ReviewSort::Key>& keys;
        std::vector<qint64> expected;
    };
    const Case cases[] = {
        {"smart: attention first, then scan order", ReviewSort::smart, attention, {2, 5, 3, 0}},
        {"smart ignores prices", ReviewSort::smart, pricesIgnoredBySmart, {2, 0, 1}},
        {"high to low, unpriced last in scan order", ReviewSort::priceHighToLow, prices, {2, 0, 3, 1, 4}},
        {"low to high, unpriced last in scan order", ReviewSort::priceLowToHigh, prices, {0, 3, 2, 1, 4}},
        {"high to low ignores ranks", ReviewSort::priceHighToLow, ranksIgnoredByPrice, {1, 0, 2}},
        {"low to high ignores ranks", ReviewSort::priceLowToHigh, ranksIgnoredByPrice, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sortedIndexes(c.order, c.keys), c.expected) << c.name;
        // A total order: any arrangement of the input sorts to the same list.
        std::vector<ReviewSort::Key> reversed(c.keys.rbegin(), c.keys.rend());
        EXPECT_EQ(sortedIndexes(c.order, reversed), c.expected) << c.name << " (input reversed)";
    }
}

TEST(ReviewSort, AKeyNeverSortsBeforeItself)
{
    const ReviewSort::Key keys[] = {ranked(1, 3), priced(7.5, 2), priced(std::nullopt, 4)};
    for (const ReviewSort::Value order : ReviewSort::allCases) {
        for (const auto& key : keys)
            EXPECT_FALSE(ReviewSort(order).orders(key, key)) << ReviewSort(order).rawValue().toStdString();
    }
}

TEST(ReviewSort, RawValuesAndMenuLabels)
{
    const QStringList raws{"smart", "priceHighToLow", "priceLowToHigh"};
    const QStringList labels{"Scan order", "Price: high to low", "Price: low to high"};
    ASSERT_EQ(ReviewSort::allCases.size(), 3u);
    for (std::size_t i = 0; i < ReviewSort::allCases.size(); ++i) {
        const ReviewSort order = ReviewSort::allCases[i];
        EXPECT_EQ(order.rawValue(), raws[int(i)]);
        EXPECT_EQ(order.menuLabel(), labels[int(i)]);
        EXPECT_EQ(ReviewSort::fromRawValue(raws[int(i)]), order);
    }
    for (const char* stored : {"Smart", "pricelowtohigh", "price", "smart ", "", "Scan order"})
        EXPECT_EQ(ReviewSort::fromRawValue(QString::fromUtf8(stored)), std::nullopt) << stored;
}

TEST(ReviewSearch, EveryWordOfTheQueryMustOccurInTheHaystack)
{
    const QString haystack = QStringLiteral("Lightning Bolt lea 161 nonfoil Ætherize");
    struct Case {
        const char* query;
        bool matches;
    };
    const Case cases[] = {
        {"", true},
        {" \t \n ", true},
        {"BOLT lightning", true},  // any case, any order
        {"ning  \t lea\n161", true}, // inside words, runs of blanks
        {"bolts", false},          // longer than any word
        {"bolt m10", false},       // every token must match
        {"ÆTHER", true},           // non-ASCII lower-cased too
        {"\"bolt\"", false},       // quotes are text, not syntax
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReviewSearch::matches(haystack, QString::fromUtf8(c.query)), c.matches) << '"' << c.query << '"';
    EXPECT_TRUE(ReviewSearch::matches(QString(), QStringLiteral("  ")));
    EXPECT_FALSE(ReviewSearch::matches(QString(), QStringLiteral("a")));
}

TEST(ReviewChipFilter, SelectionsApplyOnlyWhileARowHasThem)
{
    using ReviewChipFilter::effective;
    const QSet<QString> finishes{QStringLiteral("nonfoil"), QStringLiteral("etched")};
    EXPECT_EQ(effective(std::optional<QString>("etched"), finishes), QString("etched"));
    EXPECT_EQ(effective(std::optional<QString>("foil"), finishes), std::nullopt);
    EXPECT_EQ(effective(std::optional<QString>(), finishes), std::nullopt);
    EXPECT_EQ(effective(std::optional<QString>(), QSet<QString>{}), std::nullopt);
    EXPECT_EQ(effective(std::optional<int>(2), QSet<int>{1, 2}), 2);

    for (const bool chip : {false, true}) {
        for (const bool any : {false, true}) {
            EXPECT_EQ(ReviewChipFilter::effectiveNeedsReview(chip, any), chip && any);
            EXPECT_EQ(ReviewChipFilter::effectiveReviewed(chip, any), chip && any);
        }
    }
    EXPECT_FALSE(ReviewChipFilter::shouldShowSetBar(QSet<QString>{}));
    EXPECT_TRUE(ReviewChipFilter::shouldShowSetBar(std::vector<QString>{QStringLiteral("lea")}));
}

TEST(ReviewChipFilter, ReviewedGate)
{
    struct Case {
        bool showingReviewedChip, hideReviewed, reviewedPasses, unreviewedPasses;
    };
    const Case cases[] = {
        {true, true, true, false},
        {true, false, true, false},
        {false, true, false, true},
        {false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "chip " << c.showingReviewedChip << " hide " << c.hideReviewed);
        EXPECT_EQ(ReviewChipFilter::passesReviewedGate(true, c.showingReviewedChip, c.hideReviewed), c.reviewedPasses);
        EXPECT_EQ(ReviewChipFilter::passesReviewedGate(false, c.showingReviewedChip, c.hideReviewed),
                  c.unreviewedPasses);
    }
}

TEST(ReviewSort, ChoicesOfTheSettingsPicker)
{
    ASSERT_EQ(ReviewSort::choices().size(), 3u);
    EXPECT_EQ(ReviewSort::choices()[0].label, QStringLiteral("Scan order"));
    EXPECT_EQ(ReviewSort::choices()[1].label, QStringLiteral("Price: high to low"));
    EXPECT_EQ(ReviewSort::choices()[2].label, QStringLiteral("Price: low to high"));
    const std::pair<std::optional<QString>, const char*> sorts[] = {
        {std::nullopt, "smart"},          {QStringLiteral("priceHighToLow"), "priceHighToLow"},
        {QStringLiteral("priceLowToHigh"), "priceLowToHigh"}, {QStringLiteral("pricehightolow"), "smart"},
        {QStringLiteral(""), "smart"},    {QStringLiteral("42"), "smart"},
    };
    for (const auto& [stored, shown] : sorts)
        EXPECT_EQ(ReviewSort::shownRawValue(stored), QString::fromUtf8(shown)) << stored.value_or("<none>").toStdString();
}
