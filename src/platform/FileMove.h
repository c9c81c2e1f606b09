#pragma once

#include <QString>

namespace vantry {

// Renames `from` to `to` in one step, failing (never replacing) when `to` exists.
// On failure returns false and, when `error` is given, sets it to the system's reason.
bool moveWithoutReplacing(const QString& from, const QString& to, QString* error = nullptr);

} // namespace vantry
