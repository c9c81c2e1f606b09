#include "core/service/AuthProvider.h"

namespace vantry {

QString rawValue(AuthProvider provider)
{
    switch (provider) {
    case AuthProvider::google:
        return QStringLiteral("google");
    case AuthProvider::code:
        return QStringLiteral("code");
    }
    return {};
}

std::optional<AuthProvider> authProviderFromRaw(const QString& raw)
{
    for (AuthProvider provider : allAuthProviders) {
        if (rawValue(provider) == raw)
            return provider;
    }
    return std::nullopt;
}

} // namespace vantry
