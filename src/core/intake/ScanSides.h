#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vantry {

// How many pages make one card: one (`single`) or front then back (`duplex`).
enum class ScanSides { single, duplex };

inline constexpr std::array<ScanSides, 2> allScanSides{ScanSides::single, ScanSides::duplex};

QString rawValue(ScanSides sides);
// Exact match of "single" or "duplex"; anything else is no value.
std::optional<ScanSides> scanSidesFromRaw(const QString& raw);

} // namespace vantry
