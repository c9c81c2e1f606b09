#include "platform/BrowserWebAuthSession.h"

#include <QLoggingCategory>
#include <QUrlQuery>

Q_LOGGING_CATEGORY(lcWebAuth, "com.vantry.capture.auth", QtInfoMsg)

namespace vantry {

namespace {

// The value of the only "state" item; none when missing or repeated. The URL itself is never
// logged: a callback carries the authorization code.
std::optional<QString> onlyState(const QUrl& url)
{
    const QStringList values = QUrlQuery(url).allQueryItemValues(QStringLiteral("state"), QUrl::FullyDecoded);
    if (values.size() != 1)
        return std::nullopt;
    return values.front();
}

} // namespace

BrowserWebAuthSession::BrowserWebAuthSession(Browser& browser, QObject* parent) : QObject(parent), browser_(browser) {}

WebAuthStart BrowserWebAuthSession::start(const QUrl& authorizeURL, const QString& callbackScheme,
                                          WebAuthCompletion completion)
{
    if (pending_)
        qCInfo(lcWebAuth) << "sign-in session replaced by a new one";
    const std::optional<QString> state = onlyState(authorizeURL);
    pending_ = Pending{callbackScheme.toLower(), state.value_or(QString()), std::move(completion)};
    if (!state || state->isEmpty()) {
        // Without a state no callback could be told from a forged one.
        qCWarning(lcWebAuth) << "sign-in session refused: the authorize URL carries no state";
        finish({std::nullopt, WebAuthError{WebAuthError::Code::browserUnavailable,
                                           QStringLiteral("The sign-in request is incomplete.")}});
        return WebAuthStart::ended;
    }
    if (!browser_.open(authorizeURL)) {
        // The session stays pending: its callback may still come from a browser the user opens.
        qCWarning(lcWebAuth) << "no browser could be opened for signing in; waiting for the address to be opened by hand";
        return WebAuthStart::openByHand;
    }
    return WebAuthStart::browserOpened;
}

void BrowserWebAuthSession::cancel()
{
    if (!pending_)
        return;
    finish({std::nullopt, WebAuthError{WebAuthError::Code::canceled, QStringLiteral("Sign-in canceled.")}});
}

bool BrowserWebAuthSession::deliverCallback(const QUrl& url)
{
    if (!pending_) {
        qCWarning(lcWebAuth) << "sign-in callback refused: no sign-in is pending";
        return false;
    }
    if (url.scheme().toLower() != pending_->scheme) {
        qCWarning(lcWebAuth) << "sign-in callback refused: wrong scheme";
        return false;
    }
    if (onlyState(url) != pending_->state) {
        qCWarning(lcWebAuth) << "sign-in callback refused: state does not match";
        return false;
    }
    finish({url, std::nullopt});
    return true;
}

void BrowserWebAuthSession::finish(const WebAuthOutcome& outcome)
{
    // Cleared before the completion runs, so a callback delivered from inside it is refused.
    WebAuthCompletion completion = std::move(pending_->completion);
    pending_.reset();
    if (completion)
        completion(outcome);
}

} // namespace vantry
