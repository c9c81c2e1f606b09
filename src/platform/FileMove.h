#pragma once

#include <QString>

namespace vantry {

// Renames `from` to `to` in one step, failing (never replacing) when `to` exists.
// On failure returns false and, when `error` is given, sets it to the system's reason.
bool moveWithoutReplacing(const QString& from, const QString& to, QString* error = nullptr);

// True when `path` is a symbolic link whose target is named relative to the link's own
// folder: moved into another folder, it would point at nothing.
bool isRelativeLink(const QString& path);

// Copies the file `from` names (a link there is followed) to `to`, which must not exist
// yet, keeping its mode and modification time, then removes `from`. For moves a rename
// cannot make: across file systems, or a relative link. Returns 0, or the errno value of
// the failure, in which case nothing was removed but a copy this call made.
int copyThenRemove(const QString& from, const QString& to);

} // namespace vantry
