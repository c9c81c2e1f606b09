#include "app/review/ReviewFilterContext.h"

#include "app/review/ReviewChipFilter.h"
#include "app/review/ReviewRows.h"

#include <QSet>

namespace vantry {

// For the sets of present values (found by argument-dependent lookup).
static size_t qHash(ScanFinish finish, size_t seed = 0) { return ::qHash(int(finish), seed); }
static size_t qHash(CaptureFilters::RowKind kind, size_t seed = 0) { return ::qHash(int(kind), seed); }

ReviewFilterContext ReviewFilterContext::make(const std::vector<CaptureViewModel::Row>& rows,
                                              const CaptureFilters& filters)
{
    QSet<ScanFinish> finishes;
    QSet<QString> sets;
    QSet<CaptureFilters::RowKind> kinds;
    bool anyNeedsReview = false;
    bool anyReviewed = false;
    for (const auto& row : rows) {
        if (row.chosen) {
            finishes.insert(row.chosen->finish);
            sets.insert(row.chosen->setCode.toLower());
        }
        if (ReviewRows::isArt(row))
            kinds.insert(CaptureFilters::RowKind::art);
        if (row.isToken)
            kinds.insert(CaptureFilters::RowKind::token);
        if (row.isOpenMultiFeed())
            kinds.insert(CaptureFilters::RowKind::multiFeed);
        anyNeedsReview = anyNeedsReview || ReviewRows::needsReview(row);
        anyReviewed = anyReviewed || row.reviewed;
    }
    ReviewFilterContext context;
    context.finish = ReviewChipFilter::effective(filters.finishFilter, finishes);
    // Stored set codes are lower case; a hand-made upper-case one still finds its rows.
    std::optional<QString> storedSet;
    if (filters.setFilter)
        storedSet = filters.setFilter->toLower();
    context.setCode = ReviewChipFilter::effective(storedSet, sets);
    context.kind = ReviewChipFilter::effective(filters.kindFilter, kinds);
    context.needsReview = ReviewChipFilter::effectiveNeedsReview(filters.needsReviewFilter, anyNeedsReview);
    context.reviewed = ReviewChipFilter::effectiveReviewed(filters.reviewedFilter, anyReviewed);
    return context;
}

} // namespace vantry
