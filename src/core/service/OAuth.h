#pragma once

#include "core/service/AuthProvider.h"
#include "core/service/OAuthConfig.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <utility>
#include <vector>

namespace vantry {

// The pure parts of the authorization-code flow with PKCE (S256): URLs, form bodies,
// reading the callback and the e-mail address carried by the access token.
namespace OAuth {

// issuer + "/authorize" with client_id, redirect_uri, response_type=code, provider, state,
// code_challenge and code_challenge_method=S256, in that order.
QUrl authorizeURL(const OAuthConfig& config, AuthProvider provider, const QString& state,
                  const QString& codeChallenge);
// issuer + "/token".
QUrl tokenURL(const OAuthConfig& config);

// Form bodies of the token endpoint (pairs sorted, values percent-encoded); none when a
// value cannot be encoded.
std::optional<QString> codeExchangeBody(const OAuthConfig& config, const QString& code, const QString& codeVerifier);
std::optional<QString> refreshBody(const OAuthConfig& config, const QString& refreshToken);

// "key=value" pairs, values encoded from their UTF-8 form keeping only letters, marks,
// digits and "-._~", sorted by Unicode scalar values and joined with "&". Keys are not
// encoded. None when a value has no UTF-8 form (a lone surrogate): sent as it stands, an
// "&" or "=" in it would add items of its own.
std::optional<QString> form(const std::vector<std::pair<QString, QString>>& pairs);

// The raw query of a URL as (name, value) items in order, both percent-decoded; an item
// written without "=" has no value. None when the URL has no query.
std::optional<std::vector<std::pair<QString, std::optional<QString>>>> queryItems(const QUrl& url);

// The first "code" item's value (possibly empty); none when that item has no "=" or there is none.
std::optional<QString> code(const QUrl& callback);
// The callback's state: the value of its only "state" item; none when missing, valueless or repeated.
std::optional<QString> state(const QUrl& callback);

// The e-mail address in the token's payload ("properties"."email", then "email").
// The signature is not checked: the address is only shown to the user.
std::optional<QString> email(const QString& jwt);

// A fresh random state: an upper-case UUID text.
QString makeState();
// A fresh PKCE code verifier: 32 random bytes, base64url without padding (43 characters).
QString makeCodeVerifier();
// base64url(SHA-256(verifier)) without padding.
QString codeChallenge(const QString& codeVerifier);

} // namespace OAuth

} // namespace vantry
