#pragma once

#include <QString>

#include <optional>

namespace vantry::CaptureBinPrefix {

// The bin prefix in normal form: trimmed; "A" when empty or absent; otherwise its first four
// characters as a reader sees them, then upper-cased (so "ß" can make it five letters long).
QString normalize(const std::optional<QString>& text);

} // namespace vantry::CaptureBinPrefix
