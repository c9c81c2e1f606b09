#include "app/auth/AuthService.h"

#include "app/auth/TokenStore.h"
#include "core/service/CaptureError.h"
#include "core/support/CaptureLog.h"
#include "core/support/Json.h"
#include "core/service/OAuth.h"
#include "core/service/OneShotBody.h"

#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QPromise>
#include <QStringDecoder>
#include <QTimer>

#include <QCoroFuture>
#include <QCoroNetworkReply>

namespace vantry {

// One refresh in flight; later callers await `done` and read `result`.
struct AuthService::RefreshFlight {
    QPromise<void> done;
    bool result = false;
};

namespace {

// Log lines of the sign-in side never carry a code, a token or a reply body.
void authLog(const QString& message)
{
    CaptureLog::log(QStringLiteral("[auth] ") + message);
}

QString utf8OrEmpty(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

} // namespace

AuthService::AuthService(WebAuthSession& webAuth, QObject* parent)
    : AuthService(OAuthConfig::application(), webAuth, parent)
{
}

AuthService::AuthService(OAuthConfig config, WebAuthSession& webAuth, QObject* parent)
    : QObject(parent), config_(std::move(config)), webAuth_(webAuth), network_(new QNetworkAccessManager(this))
{
    const QMap<QString, QString> stored = TokenStore::load();
    if (stored.contains(TokenStore::accessTokenKey))
        accessToken_ = stored.value(TokenStore::accessTokenKey);
    if (stored.contains(TokenStore::refreshTokenKey))
        refreshToken_ = stored.value(TokenStore::refreshTokenKey);
    // The token's age is not examined: a stale one is refreshed on the service's first 401.
    if (accessToken_) {
        email_ = OAuth::email(*accessToken_);
        isSignedIn_ = true;
    }
}

AuthService::~AuthService()
{
    // Anyone still waiting for a refresh of this service hears "no new token".
    if (refreshFlight_ && !refreshFlight_->done.future().isFinished())
        refreshFlight_->done.finish();
}

void AuthService::setIsSignedIn(bool value)
{
    isSignedIn_ = value;
    emit isSignedInChanged(value);
}

void AuthService::setEmail(std::optional<QString> value)
{
    email_ = std::move(value);
    emit emailChanged();
}

void AuthService::setErrorMessage(std::optional<QString> value)
{
    errorMessage_ = std::move(value);
    emit errorMessageChanged();
}

void AuthService::setSignInAddress(std::optional<QUrl> value)
{
    if (signInAddress_ == value)
        return;
    signInAddress_ = std::move(value);
    emit signInAddressChanged();
}

void AuthService::signIn(AuthProvider provider)
{
    setErrorMessage(std::nullopt);
    setSignInAddress(std::nullopt);
    PendingSignIn pending{++signInAttempts_, OAuth::makeState(), OAuth::makeCodeVerifier()};
    const QUrl url = OAuth::authorizeURL(config_, provider, pending.state, OAuth::codeChallenge(pending.codeVerifier));
    const quint64 attempt = pending.attempt;
    pending_ = std::move(pending);
    authLog(QStringLiteral("sign-in started with ") + rawValue(provider));

    QPointer<AuthService> self(this);
    const WebAuthStart started =
        webAuth_.start(url, config_.callbackScheme, [self, attempt](const WebAuthOutcome& outcome) {
            if (!self)
                return;
            // Continue on a fresh turn of the event loop, never inside the session's own call.
            QTimer::singleShot(0, self, [self, attempt, outcome] {
                if (self)
                    self->finishBrowserSession(attempt, outcome);
            });
        });
    if (started == WebAuthStart::openByHand && pending_ && pending_->attempt == attempt) {
        // The address is no secret (the verifier stays here), but it is not logged either.
        authLog(QStringLiteral("no browser could be opened; the sign-in address is shown to open by hand"));
        setSignInAddress(url);
    }
}

void AuthService::finishBrowserSession(quint64 attempt, const WebAuthOutcome& outcome)
{
    // A session replaced by a later sign-in, or one already answered, is not heard.
    if (!pending_ || pending_->attempt != attempt)
        return;
    const PendingSignIn pending = *pending_;
    pending_.reset();
    setSignInAddress(std::nullopt);

    if (outcome.error) {
        setErrorMessage(describe(*outcome.error));
        return;
    }
    const std::optional<QString> code = outcome.callbackURL ? OAuth::code(*outcome.callbackURL) : std::nullopt;
    if (!code) {
        setErrorMessage(QStringLiteral("Sign-in did not return a code."));
        return;
    }
    if (OAuth::state(*outcome.callbackURL) != pending.state) {
        authLog(QStringLiteral("sign-in callback refused: its state does not match this sign-in"));
        setErrorMessage(QStringLiteral("Sign-in failed: the reply did not belong to this sign-in. Please try again."));
        return;
    }
    exchange(*code, pending.codeVerifier);
}

QCoro::Task<> AuthService::exchange(QString code, QString codeVerifier)
{
    QPointer<AuthService> self(this);
    const quint64 epoch = epoch_;
    const std::optional<QString> body = OAuth::codeExchangeBody(config_, code, codeVerifier);
    std::optional<TokenResponse> response;
    QString failure;
    try {
        if (!body) {
            authLog(QStringLiteral("code exchange not sent: the code cannot be form-encoded"));
            failure = QStringLiteral("the sign-in reply carried a code that cannot be sent.");
        } else {
            response = co_await postToken(*body);
        }
    } catch (const CaptureError& error) {
        failure = error.description();
        if (error.is(CaptureError::Kind::http))
            authLog(QStringLiteral("code exchange failed: HTTP ") + QString::number(error.status()));
        else
            authLog(QStringLiteral("code exchange failed"));
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
        authLog(QStringLiteral("code exchange failed: unreadable reply"));
    }
    if (!self)
        co_return;
    if (self->epoch_ != epoch) {
        authLog(QStringLiteral("code exchange ended after a sign-out; its result is dropped"));
        co_return;
    }
    if (!response) {
        self->setErrorMessage(QStringLiteral("Sign-in failed: ") + failure);
        co_return;
    }
    self->store(*response);
    authLog(QStringLiteral("signed in"));
}

QCoro::Task<TokenResponse> AuthService::postToken(QString body)
{
    QNetworkRequest request(OAuth::tokenURL(config_));
    request.setTransferTimeout(static_cast<int>(tokenTimeout_.count()));
    request.setRawHeader("content-type", "application/x-www-form-urlencoded");
    request.setRawHeader("accept", "application/json");
    // A token request never follows its code or refresh token to another host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    // Sent once: a code can be exchanged once, and a service that rotates refresh tokens
    // signs the user out when one is presented twice.
    QNetworkReply* reply = OneShotBody::send(*network_, request, "POST", body.toUtf8());
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(reply, [](QNetworkReply* r) { r->deleteLater(); });
    co_await reply;

    const QByteArray bytes = reply->isOpen() ? reply->readAll() : QByteArray();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        if (code >= 200 && code <= 299)
            co_return TokenResponse::decode(bytes);
        throw CaptureError::http(code, utf8OrEmpty(bytes), QStringLiteral("POST"), QStringLiteral("/token"));
    }
    if (reply->error() == QNetworkReply::OperationCanceledError)
        throw CaptureError::transport(reply->error(), QStringLiteral("the sign-in service did not answer in time"));
    if (reply->error() == QNetworkReply::ContentReSendError)
        throw CaptureError::transport(reply->error(), QStringLiteral("the connection to the sign-in service closed "
                                                                     "without an answer (the request was not sent again)"));
    if (reply->error() != QNetworkReply::NoError)
        throw CaptureError::transport(reply->error(), reply->errorString());
    throw CaptureError::http(-1, utf8OrEmpty(bytes), QStringLiteral("POST"), QStringLiteral("/token"));
}

void AuthService::store(const TokenResponse& response)
{
    accessToken_ = response.accessToken;
    bool written = TokenStore::set(response.accessToken, TokenStore::accessTokenKey);
    if (response.refreshToken) {
        refreshToken_ = response.refreshToken;
        written = TokenStore::set(*response.refreshToken, TokenStore::refreshTokenKey) && written;
    }
    if (!written)
        authLog(QStringLiteral("the token file could not be written; the sign-in lasts for this run only"));
    setEmail(OAuth::email(response.accessToken));
    setIsSignedIn(true);
    setErrorMessage(std::nullopt);
}

QCoro::Task<bool> AuthService::refreshAccessToken()
{
    if (refreshFlight_) {
        // Refresh tokens may be single-use: a second refresh with the same one would fail
        // (or make the service revoke the whole family), so wait for the one in flight.
        const std::shared_ptr<RefreshFlight> flight = refreshFlight_;
        co_await flight->done.future();
        co_return flight->result;
    }
    if (!refreshToken_)
        co_return false;

    const auto flight = std::make_shared<RefreshFlight>();
    flight->done.start();
    refreshFlight_ = flight;
    QPointer<AuthService> self(this);
    const quint64 epoch = epoch_;

    std::optional<TokenResponse> response;
    const std::optional<QString> body = OAuth::refreshBody(config_, *refreshToken_);
    try {
        if (body)
            response = co_await postToken(*body);
        else
            authLog(QStringLiteral("token refresh not sent: the refresh token cannot be form-encoded"));
    } catch (const std::exception&) {
        authLog(QStringLiteral("token refresh failed"));
    }
    bool adopted = false;
    if (self) {
        if (response && self->epoch_ == epoch) {
            self->store(*response);
            adopted = true;
        } else if (response) {
            authLog(QStringLiteral("token refresh ended after a sign-out; its result is dropped"));
        }
        if (self->refreshFlight_ == flight)
            self->refreshFlight_.reset();
    }
    flight->result = adopted;
    if (!flight->done.future().isFinished())
        flight->done.finish();
    co_return adopted;
}

void AuthService::signOut()
{
    ++epoch_;
    refreshFlight_.reset();
    accessToken_.reset();
    refreshToken_.reset();
    setEmail(std::nullopt);
    setIsSignedIn(false);

    if (TokenStore::remove({TokenStore::accessTokenKey, TokenStore::refreshTokenKey}))
        return;
    // The tokens must not survive a sign-out: without a rewrite the whole file goes.
    const QString path = TokenStore::fileURL();
    QFile::remove(path);
    const QFileInfo left(path);
    if (!left.exists() && !left.isSymLink()) {
        authLog(QStringLiteral("sign-out could not rewrite the token file and removed it"));
        return;
    }
    authLog(QStringLiteral("sign-out could neither rewrite nor remove the token file"));
    setErrorMessage(QStringLiteral("Signed out, but the saved sign-in could not be deleted. Delete the file ") + path +
                    QStringLiteral(" to finish signing out."));
}

QString AuthService::describe(const WebAuthError& error)
{
    if (error.code == WebAuthError::Code::canceled)
        return QStringLiteral("Sign-in canceled.");
    return error.message;
}

} // namespace vantry
