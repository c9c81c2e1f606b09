#pragma once

#include "core/service/OAuthConfig.h"

#include <QString>

#include <optional>

namespace vantry {

class SettingsStore;

// Which sign-in service the application uses: the one this build was configured with, or the
// one named by "vy.authIssuer" (a local stand-in of the maker's services, set by scripts/run).
namespace SignInConfig {

// The build's configuration with `issuer` in place of its issuer when `issuer` is an https
// URL, or an http URL on a loopback host; otherwise the build's configuration unchanged.
OAuthConfig withIssuerSetting(const std::optional<QString>& issuer);

// The same from the settings' "vy.authIssuer".
OAuthConfig current(const SettingsStore& settings);

} // namespace SignInConfig

} // namespace vantry
