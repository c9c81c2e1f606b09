#include "app/auth/SignInConfig.h"

#include <gtest/gtest.h>

using namespace vantry;

TEST(SignInConfig, UsesTheSettingOnlyForHttpsOrLoopbackHttp)
{
    const OAuthConfig built = OAuthConfig::application();
    const struct {
        std::optional<QString> setting;
        QString issuer;
    } cases[] = {
        {std::nullopt, built.issuer},
        {QString(), built.issuer},
        {QStringLiteral("http://127.0.0.1:47811/auth/"), QStringLiteral("http://127.0.0.1:47811/auth")},
        {QStringLiteral(" http://localhost:9/auth "), QStringLiteral("http://localhost:9/auth")},
        {QStringLiteral("http://[::1]:9/auth"), QStringLiteral("http://[::1]:9/auth")},
        {QStringLiteral("https://auth.example.com"), QStringLiteral("https://auth.example.com")},
        // Codes and tokens never travel unencrypted to another machine.
        {QStringLiteral("http://auth.example.com"), built.issuer},
        {QStringLiteral("http://10.0.0.2/auth"), built.issuer},
        {QStringLiteral("ftp://127.0.0.1/auth"), built.issuer},
        {QStringLiteral("127.0.0.1:47811/auth"), built.issuer},
        {QStringLiteral("https://auth.example.com/?next=x"), built.issuer},
    };
    for (const auto& c : cases) {
        const OAuthConfig config = SignInConfig::withIssuerSetting(c.setting);
        EXPECT_EQ(config.issuer, c.issuer) << c.setting.value_or(QStringLiteral("(absent)")).toStdString();
        EXPECT_EQ(config.clientId, built.clientId);
        EXPECT_EQ(config.redirectURI, built.redirectURI);
        EXPECT_EQ(config.callbackScheme, built.callbackScheme);
    }
}
