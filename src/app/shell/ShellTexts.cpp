#include "app/shell/ShellTexts.h"

namespace vantry {

UpdateAlertText updateAlertText(const UpdateCheckResult& result)
{
    switch (result.kind) {
    case UpdateCheckResult::Kind::upToDate:
        return {QStringLiteral("You're up to date."),
                QStringLiteral("Vantry Capture ") + result.currentVersion
                    + QStringLiteral(" is the newest version available."),
                false};
    case UpdateCheckResult::Kind::available:
        return {QStringLiteral("A new version of Vantry Capture is available."),
                QStringLiteral("Vantry Capture ") + result.newestVersion + QStringLiteral(" is available; you have ")
                    + result.currentVersion
                    + QStringLiteral(". Install it with your system's package manager or from the download page."),
                true};
    case UpdateCheckResult::Kind::failed:
        break;
    }
    return {QStringLiteral("Update check failed."), result.error, false};
}

QString aboutText(const QString& version)
{
    return QStringLiteral("Vantry Capture ") + version
           + QStringLiteral("\nScans trading cards into your Vantry inventory.");
}

std::optional<QString> loginErrorLine(const std::optional<QString>& errorMessage)
{
    if (!errorMessage || errorMessage->isEmpty())
        return std::nullopt;
    return errorMessage;
}

std::optional<LoginAddressPanel> loginAddressPanel(const std::optional<QUrl>& signInAddress)
{
    if (!signInAddress || signInAddress->isEmpty())
        return std::nullopt;
    // The redirect reaches this application through the desktop's vantrycapture:// handler,
    // so the browser must run on this computer.
    return LoginAddressPanel{
        QStringLiteral("No web browser could be opened for signing in. Open this address in a web browser on this "
                       "computer; signing in finishes here when the browser comes back to Vantry Capture."),
        signInAddress->toString(QUrl::FullyEncoded)};
}

QString loginCopyLabel(bool copied) { return copied ? QStringLiteral("Copied") : QStringLiteral("Copy"); }

StartRefusalText alreadyRunningText(const QString& dataFolder)
{
    // The running one could not be reached: it may run in another login session, or its
    // socket in the runtime folder is gone.
    return {QStringLiteral("Vantry Capture is already running."),
            QStringLiteral("Another Vantry Capture is already running with the data folder %1, and this start could "
                           "not reach it (it may run in another login session). Only one can use the folder at a "
                           "time: use its window, or quit it and start Vantry Capture again.")
                .arg(dataFolder),
            QStringLiteral("Vantry Capture is already running with the data folder %1 and could not be reached; "
                           "this start exits.\n")
                .arg(dataFolder)};
}

StartRefusalText dataFolderUnavailableText(const QString& dataFolder, const QString& reason)
{
    return {QStringLiteral("Vantry Capture cannot start."),
            QStringLiteral("The data folder %1 cannot be locked (%2). Vantry Capture keeps its imported-scan ledger "
                           "and sign-in there and runs only while it holds the folder's lock; check that the folder "
                           "is yours and writable, then start it again.")
                .arg(dataFolder, reason),
            QStringLiteral("Vantry Capture cannot start: the data folder %1 cannot be locked (%2).\n")
                .arg(dataFolder, reason)};
}

} // namespace vantry
