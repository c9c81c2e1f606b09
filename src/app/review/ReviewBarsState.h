#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/review/ReviewSort.h"
#include "app/review/CaptureFilters.h"
#include "app/review/FinishBarCounts.h"
#include "app/review/ReviewFilterContext.h"

#include <functional>
#include <vector>

namespace vantry {

// One chip of the chip bar or the set bar.
struct FilterChip {
    QString name;  // object name of its button
    QString label; // shown verbatim
    QString icon;  // a glyph; empty: none
    qint64 count = 0;
    bool active = false;
    // What pressing it does to the window's filters.
    std::function<void(CaptureFilters&)> apply;
};

// Everything the bars above the review list show, derived from the rows, the filters and the
// list they produced. Recomputed whenever the window refreshes; nothing is cached.
struct ReviewBarsState {
    std::vector<FilterChip> chips; // the shown chips, in bar order
    bool showsHideReviewed = false;
    ReviewSort sort;
    QString sortLabel;
    bool sortStandsOut = false; // a non-default order
    bool showsSearchCount = false;
    QString searchCount; // "<listed> of <batch>"
    std::vector<FilterChip> setChips; // "All sets" first; empty: no set bar
    bool showsFilteredEmpty = false;
    QString filteredEmptyLine;

    static ReviewBarsState of(const std::vector<CaptureViewModel::Row>& rows, const CaptureFilters& filters,
                              const ReviewFilterContext& context, std::size_t listedCount, ReviewSort sort);

    // "Reset filters": search, chips and set cleared, reviewed rows shown; the sort stays.
    static void resetFilters(CaptureFilters& filters);

    static QString hideReviewedLabel();
    static QString hideReviewedHelp();
    static QString sortHelp();
    static QString searchPlaceholder();
    static QString clearSearchHelp();
    static QString filteredEmptyTitle();
    static QString filteredEmptyText(qint64 batchCount);
    static QString resetFiltersLabel();
};

} // namespace vantry
