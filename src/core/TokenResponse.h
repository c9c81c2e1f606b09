#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantry {

// The token endpoint's reply. Other members (token type, lifetime, id token) are ignored.
struct TokenResponse {
    QString access_token;
    std::optional<QString> refresh_token;

    // Throws json::Error when the body is not an object, or `access_token` is missing,
    // null or not text, or `refresh_token` is present and neither null nor text.
    static TokenResponse fromJson(const QByteArray& body);
};

} // namespace vantry
