#pragma once

#include "core/card/ScanFinish.h"

#include <QString>

#include <optional>

namespace vantry {

// The capture window's filter and search state. It lives as long as the window, so selecting
// a tab starts it again from these values; the sort order is a setting and stays.
struct CaptureFilters {
    enum class RowKind { art, token, multiFeed };

    std::optional<ScanFinish> finishFilter;
    bool needsReviewFilter = false;
    std::optional<QString> setFilter;
    QString searchText;
    bool reviewedFilter = false;
    std::optional<RowKind> kindFilter;
    bool hideReviewed = true; // reviewed rows start hidden

    bool operator==(const CaptureFilters&) const = default;
};

} // namespace vantry
