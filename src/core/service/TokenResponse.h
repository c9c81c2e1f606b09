#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantry {

// The token endpoint's reply; other keys are ignored.
struct TokenResponse {
    QString accessToken;                 // "access_token", required
    std::optional<QString> refreshToken; // "refresh_token"

    bool operator==(const TokenResponse&) const = default;
    // Throws json::Error when the reply is unreadable.
    static TokenResponse decode(const QByteArray& bytes);
};

} // namespace vantry
