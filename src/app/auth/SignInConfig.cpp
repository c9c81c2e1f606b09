#include "app/auth/SignInConfig.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"

#include <QHostAddress>
#include <QUrl>

namespace vantry::SignInConfig {

namespace {

bool isLoopback(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

OAuthConfig withIssuerSetting(const std::optional<QString>& issuer)
{
    OAuthConfig config = OAuthConfig::application();
    if (!issuer)
        return config;
    const QUrl url(issuer->trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool usable = url.isValid() && !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment() &&
                        (scheme == QLatin1String("https") || (scheme == QLatin1String("http") && isLoopback(url.host())));
    if (!usable)
        return config;
    return OAuthConfig(issuer->trimmed(), config.clientId, config.redirectURI, config.callbackScheme);
}

OAuthConfig current(const SettingsStore& settings)
{
    return withIssuerSetting(settings.string(SettingsKeys::authIssuer));
}

} // namespace vantry::SignInConfig
