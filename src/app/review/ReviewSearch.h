#pragma once

#include <QString>

namespace vantry::ReviewSearch {

// Whether a row's search text matches the search field: every blank-separated word of the
// query, in any order and case, occurs somewhere in the haystack. A blank query matches all.
bool matches(const QString& haystack, const QString& query);

} // namespace vantry::ReviewSearch
