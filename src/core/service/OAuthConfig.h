#pragma once

#include <QString>

namespace vantry {

// Where and as whom the application signs in. The client is public: there is no secret.
struct OAuthConfig {
    QString issuer;         // base URL of the sign-in service; "/authorize" and "/token" are appended
    QString clientId;
    QString redirectURI;    // registered for the client; sent with the authorize and code requests
    QString callbackScheme; // the URL scheme the browser session waits for

    // Removes at most one trailing "/" from `issuer`.
    OAuthConfig(QString issuer, QString clientId, QString redirectURI, QString callbackScheme);

    // The application's configuration, with the issuer this build was configured with.
    static OAuthConfig application();

    friend bool operator==(const OAuthConfig&, const OAuthConfig&) = default;
};

} // namespace vantry
