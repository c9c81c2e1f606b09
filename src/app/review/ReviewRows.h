#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/review/ReviewSort.h"
#include "app/review/CaptureFilters.h"
#include "app/review/ReviewFilterContext.h"

#include <vector>

namespace vantry::ReviewRows {

using Row = CaptureViewModel::Row;

// A row needs review while it has no chosen printing.
inline bool needsReview(const Row& row) { return !row.chosen.has_value(); }
// The chosen printing decides; a row without one goes by its own flag.
inline bool isArt(const Row& row) { return row.chosen ? row.chosen->isArtSeries : row.isArtSeries; }

// The search field's text as the list compares it: trimmed and lower case.
QString searchQuery(const QString& searchText);
// Whether every word of `query` (already trimmed and lower case) occurs in the row's names,
// set codes, collector numbers (chosen printing and every candidate), read note, or the words
// "art series" / "token" of an art or token row.
bool rowMatches(const Row& row, const QString& query);
// What the sort compares of the row at `scanIndex` of the batch.
ReviewSort::Key sortKey(const Row& row, qint64 scanIndex);

// The review list: the rows that pass the reviewed gate, the chips, the set filter and the
// search, in `sort` order. The list, its search count and the bulk-action bar all use this one
// result. The pointers point into `rows` and live as long as it is unchanged.
std::vector<const Row*> ordered(const std::vector<Row>& rows, const CaptureFilters& filters,
                                const ReviewFilterContext& context, ReviewSort sort);
// The same, deriving the context itself.
std::vector<const Row*> ordered(const std::vector<Row>& rows, const CaptureFilters& filters, ReviewSort sort);

// The rows that pass the reviewed gate alone (what the set bar counts).
std::vector<const Row*> reviewVisible(const std::vector<Row>& rows, const ReviewFilterContext& context,
                                      bool hideReviewed);

} // namespace vantry::ReviewRows
