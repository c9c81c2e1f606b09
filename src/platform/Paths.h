#pragma once

#include <QString>

namespace vantry::paths {

// XDG base folders, read from the environment on every call so that a test can
// point HOME and XDG_* at a temporary folder.
QString homeDir();
QString dataHome();   // $XDG_DATA_HOME or ~/.local/share
QString stateHome();  // $XDG_STATE_HOME or ~/.local/state
QString configHome(); // $XDG_CONFIG_HOME or ~/.config
QString cacheHome();  // $XDG_CACHE_HOME or ~/.cache

// "$XDG_DATA_HOME/VantryCapture", created with mode 0700 when missing.
// Returns the path even when creation failed; callers fail on their own write.
QString appDataDir();

// "$XDG_STATE_HOME/VantryCapture/capture.log" (folder not created here).
QString captureLogFile();

// "$XDG_CONFIG_HOME/VantryCapture/VantryCapture.conf", the INI file of the user settings.
QString settingsFile();

// Creates a folder and its parents; the leaf gets `mode` when it is created here.
bool makeDir(const QString& path, unsigned mode = 0700);

} // namespace vantry::paths
