#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace vantry {

// Why a browser sign-in session ended without a callback.
struct WebAuthError {
    enum class Code {
        canceled = 1,           // the user (or the application) gave up the sign-in
        browserUnavailable = 2, // the session could not be started
    };
    Code code;
    QString message; // shown to the user when the error is not a cancellation
};

// The end of a session: the callback URL, or an error.
struct WebAuthOutcome {
    std::optional<QUrl> callbackURL;
    std::optional<WebAuthError> error;
};

using WebAuthCompletion = std::function<void(const WebAuthOutcome&)>;

// How a session began.
enum class WebAuthStart {
    browserOpened, // the authorize page is in the user's browser
    openByHand,    // no browser could be opened: the session waits while the user opens the
                   // authorize address in a browser of their own
    ended,         // the session already completed (with an error)
};

// A browser sign-in session: shows the authorize page and completes once, with the URL of
// `callbackScheme` the sign-in service redirected to, or with an error. Main thread only.
class WebAuthSession {
public:
    virtual ~WebAuthSession() = default;

    // Starts a session for `authorizeURL`, which carries the "state" its callback must return.
    // A session still pending is replaced; its completion is never called.
    virtual WebAuthStart start(const QUrl& authorizeURL, const QString& callbackScheme,
                               WebAuthCompletion completion) = 0;
    // Ends a pending session with `canceled`; does nothing when none is pending.
    virtual void cancel() = 0;
    virtual bool isPending() const = 0;
};

} // namespace vantry
