#pragma once

#include "platform/Updater.h"

#include <QString>

#include <optional>

namespace vantry {

// The alert that ends a "Check for Updates…".
struct UpdateAlertText {
    QString title;
    QString message;
    bool offersDownload = false; // a button opens the download page
};

UpdateAlertText updateAlertText(const UpdateCheckResult& result);

// The About box's text for this version.
QString aboutText(const QString& version);

// The sign-in screen's red line: the service's error verbatim, none when there is none.
std::optional<QString> loginErrorLine(const std::optional<QString>& errorMessage);

} // namespace vantry
