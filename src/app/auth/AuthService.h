#pragma once

#include "core/service/AuthProvider.h"
#include "core/service/OAuthConfig.h"
#include "core/service/TokenResponse.h"
#include "platform/WebAuthSession.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace vantry {

// The application's one sign-in object (main thread only): runs the authorization-code flow
// with PKCE in a browser session, keeps the access and refresh tokens in memory and in the
// token file, and tells the screens whether the user is signed in, as whom, and why the last
// sign-in failed.
class AuthService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSignedIn READ isSignedIn NOTIFY isSignedInChanged)
    Q_PROPERTY(QString email READ emailText NOTIFY emailChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(QUrl signInAddress READ signInAddressURL NOTIFY signInAddressChanged)

public:
    // Restores the tokens from the token file. `webAuth` must outlive the service.
    explicit AuthService(WebAuthSession& webAuth, QObject* parent = nullptr);
    AuthService(OAuthConfig config, WebAuthSession& webAuth, QObject* parent = nullptr);
    ~AuthService() override;

    bool isSignedIn() const { return isSignedIn_; }
    const std::optional<QString>& email() const { return email_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    // The authorize address of a sign-in that waits for the user to open it in a browser by
    // hand (none could be opened for them); none otherwise. The sign-in stays pending and
    // accepts its callback as usual.
    const std::optional<QUrl>& signInAddress() const { return signInAddress_; }
    const OAuthConfig& config() const { return config_; }
    // The token the service client sends; none when signed out.
    const std::optional<QString>& accessToken() const { return accessToken_; }

    // Opens the browser for `provider`; the outcome arrives through the properties.
    void signIn(AuthProvider provider);
    // Forgets both tokens here and in the token file. Nothing is sent to the sign-in service.
    void signOut();
    // One refresh with the stored refresh token; true when a new access token was adopted.
    // Calls made while a refresh runs share its result. A result that arrives after a
    // sign-out is dropped.
    QCoro::Task<bool> refreshAccessToken();

    // The token endpoint's request timeout (60 s).
    void setTokenRequestTimeout(std::chrono::milliseconds timeout) { tokenTimeout_ = timeout; }

signals:
    void isSignedInChanged(bool isSignedIn);
    void emailChanged();
    void errorMessageChanged();
    void signInAddressChanged();

private:
    struct PendingSignIn {
        quint64 attempt = 0;
        QString state;
        QString codeVerifier;
    };
    struct RefreshFlight;

    QString emailText() const { return email_.value_or(QString()); }
    QString errorMessageText() const { return errorMessage_.value_or(QString()); }
    QUrl signInAddressURL() const { return signInAddress_.value_or(QUrl()); }
    void setIsSignedIn(bool value);
    void setEmail(std::optional<QString> value);
    void setErrorMessage(std::optional<QString> value);
    void setSignInAddress(std::optional<QUrl> value);

    void finishBrowserSession(quint64 attempt, const WebAuthOutcome& outcome);
    QCoro::Task<> exchange(QString code, QString codeVerifier);
    // POSTs a form body to the token endpoint; throws CaptureError or json::Error.
    QCoro::Task<TokenResponse> postToken(QString body);
    void store(const TokenResponse& response);
    static QString describe(const WebAuthError& error);

    bool isSignedIn_ = false;
    std::optional<QString> email_;
    std::optional<QString> errorMessage_;
    std::optional<QUrl> signInAddress_;
    const OAuthConfig config_;
    std::optional<QString> accessToken_;
    std::optional<QString> refreshToken_;

    WebAuthSession& webAuth_;
    QNetworkAccessManager* network_ = nullptr;
    std::chrono::milliseconds tokenTimeout_{60'000};
    std::optional<PendingSignIn> pending_;
    quint64 signInAttempts_ = 0;
    // Advanced by every sign-out: token replies started before it are dropped.
    quint64 epoch_ = 0;
    std::shared_ptr<RefreshFlight> refreshFlight_;
};

} // namespace vantry
