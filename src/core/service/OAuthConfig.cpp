#include "core/service/OAuthConfig.h"

#include <utility>

namespace vantry {

OAuthConfig::OAuthConfig(QString issuer_, QString clientId_, QString redirectURI_, QString callbackScheme_)
    : issuer(std::move(issuer_)), clientId(std::move(clientId_)), redirectURI(std::move(redirectURI_)),
      callbackScheme(std::move(callbackScheme_))
{
    if (issuer.endsWith(QLatin1Char('/')))
        issuer.chop(1);
}

OAuthConfig OAuthConfig::application()
{
    return OAuthConfig(QStringLiteral(VANTRY_AUTH_ISSUER), QStringLiteral("vantry-capture"),
                       QStringLiteral("vantrycapture://auth"), QStringLiteral("vantrycapture"));
}

} // namespace vantry
