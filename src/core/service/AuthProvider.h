#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vantry {

// The identity providers the sign-in service offers.
enum class AuthProvider { google, code };

inline constexpr std::array<AuthProvider, 2> allAuthProviders{AuthProvider::google, AuthProvider::code};

QString rawValue(AuthProvider provider);
// Exactly "google" or "code" (case-sensitive); anything else is no value.
std::optional<AuthProvider> authProviderFromRaw(const QString& raw);

} // namespace vantry
