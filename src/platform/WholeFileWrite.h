#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace vantry {

// Replaces the file at `path` with `bytes` in one step, so that a reader finds the old file
// or the whole new one. The bytes go to a temporary file beside it, written unbuffered,
// synced and closed with every step checked (a full disk shows at any of them); only then is
// it renamed over the file, and the folder is synced so that the rename survives a power cut.
// On a failure before the rename the old file stays as it was, the temporary file is removed,
// and false is returned with the reason in `error`; a folder that cannot be synced is a failure
// too, though the new content is in place by then.
//
// A link at `path` is followed: its target is replaced. `mode` gives the new file exactly
// these permissions from its creation on; without it an existing file's permissions are
// kept and a new file gets the default ones. Goes through the installed FileLayer.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                    std::optional<mode_t> mode = std::nullopt);

} // namespace vantry
