#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vantry {

// Review status of a scanned card as the raw CSV export writes it.
// `auto_` stands for the status "auto" (a keyword in C++).
enum class ScanStatus { auto_, review, confirmed, unresolved };

inline constexpr std::array<ScanStatus, 4> allScanStatuses{ScanStatus::auto_, ScanStatus::review,
                                                           ScanStatus::confirmed, ScanStatus::unresolved};

// "auto", "review", "confirmed", "unresolved".
QString rawValue(ScanStatus status);
// Exact match of the raw string; anything else is no value.
std::optional<ScanStatus> scanStatusFromRaw(const QString& raw);

} // namespace vantry
