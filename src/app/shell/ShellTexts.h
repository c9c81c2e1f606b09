#pragma once

#include "platform/Updater.h"

#include <QString>
#include <QUrl>

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

// The sign-in screen's panel for a sign-in that waits for its address to be opened by hand.
struct LoginAddressPanel {
    QString explanation;
    QString address; // shown in full, to select or copy

    bool operator==(const LoginAddressPanel&) const = default;
};
// None while no sign-in waits for that.
std::optional<LoginAddressPanel> loginAddressPanel(const std::optional<QUrl>& signInAddress);
// The panel's copy button, before and after a copy of the current address.
QString loginCopyLabel(bool copied);

// What a start that does not run says, in a window and on the terminal, before it exits.
struct StartRefusalText {
    QString title;
    QString message;
    QString terminalLine; // ends in a newline

    bool operator==(const StartRefusalText&) const = default;
};
// Another process holds the data folder and this start could not hand over to it.
StartRefusalText alreadyRunningText(const QString& dataFolder);
// The data folder's lock file cannot be created or locked, for `reason`.
StartRefusalText dataFolderUnavailableText(const QString& dataFolder, const QString& reason);

} // namespace vantry
