#include "core/service/OAuth.h"
#include "core/service/TokenResponse.h"
#include "core/support/Json.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

using namespace vantry;

namespace {

OAuthConfig appConfig(const QString& issuer = QStringLiteral("https://auth.example.test"))
{
    return OAuthConfig(issuer, QStringLiteral("vantry-capture"), QStringLiteral("vantrycapture://auth"),
                       QStringLiteral("vantrycapture"));
}

QString jwt(const QByteArray& payloadJson)
{
    const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    return QString::fromLatin1(QByteArray(R"({"alg":"none"})").toBase64(b64) + '.' + payloadJson.toBase64(b64) +
                               ".c2ln");
}

} // namespace

TEST(OAuth, AuthorizeUrlCarriesTheClientTheProviderTheStateAndThePkceChallenge)
{
    const QString state = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");
    const QString expectedTail = QStringLiteral(
        "/authorize?client_id=vantry-capture&redirect_uri=vantrycapture://auth&response_type=code&provider=%1"
        "&state=0F8FAD5B-D9CB-469F-A165-70867728950E&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"
        "&code_challenge_method=S256");
    struct Case {
        QString issuer;
        AuthProvider provider;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"https://auth.example.test", AuthProvider::google, "https://auth.example.test" + expectedTail.arg("google")},
        {"https://auth.example.test/", AuthProvider::code, "https://auth.example.test" + expectedTail.arg("code")},
        // Only one trailing slash is removed.
        {"https://auth.example.test//", AuthProvider::google, "https://auth.example.test/" + expectedTail.arg("google")},
        {"https://h.test/base/", AuthProvider::google, "https://h.test/base" + expectedTail.arg("google")},
    };
    const QString challenge = OAuth::codeChallenge(QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"));
    for (const Case& c : cases) {
        const QUrl url = OAuth::authorizeURL(appConfig(c.issuer), c.provider, state, challenge);
        EXPECT_EQ(url.toString(QUrl::FullyEncoded), c.expected) << c.issuer.toStdString();
    }
    EXPECT_EQ(OAuth::tokenURL(appConfig("https://auth.example.test/")).toString(),
              QStringLiteral("https://auth.example.test/token"));
}

TEST(OAuth, AuthorizeUrlValuesCannotSplitTheQuery)
{
    const QUrl url =
        OAuth::authorizeURL(appConfig(), AuthProvider::google, QStringLiteral("a&b=c+d e#f"), QStringLiteral("x"));
    EXPECT_TRUE(url.toString(QUrl::FullyEncoded).contains(QStringLiteral("&state=a%26b%3Dc%2Bd%20e%23f&")));
    EXPECT_EQ(OAuth::state(url), QStringLiteral("a&b=c+d e#f"));
}

TEST(OAuth, TokenBodiesAreSortedAndPercentEncoded)
{
    EXPECT_EQ(OAuth::codeExchangeBody(appConfig(), QStringLiteral("a b+c/d"), QStringLiteral("v-._~1")),
              QStringLiteral("client_id=vantry-capture&code=a%20b%2Bc%2Fd&code_verifier=v-._~1"
                             "&grant_type=authorization_code&redirect_uri=vantrycapture%3A%2F%2Fauth"));
    EXPECT_EQ(OAuth::refreshBody(appConfig(), QStringLiteral("r=1&x")),
              QStringLiteral("client_id=vantry-capture&grant_type=refresh_token&refresh_token=r%3D1%26x"));
}

TEST(OAuth, FormEncoding)
{
    struct Case {
        std::vector<std::pair<QString, QString>> pairs;
        std::optional<QString> expected;
    };
    const QChar high(0xD83D), low(0xDE00);
    const std::vector<Case> cases = {
        {{}, ""},
        {{{"k y", "v"}}, "k y=v"}, // keys are never encoded
        {{{"v", QString::fromUtf8("é٣~-._")}}, QString::fromUtf8("v=é٣~-._")}, // Unicode letters and digits pass
        {{{"v", QString::fromUtf8("€ 😀")}}, "v=%E2%82%AC%20%F0%9F%98%80"},
        {{{"v", "*'!()"}}, "v=%2A%27%21%28%29"},
        // "=" sorts before "_" and letters: a key that prefixes another comes first.
        {{{"ab", "3"}, {"a_b", "2"}, {"a", "1"}}, "a=1&a_b=2&ab=3"},
        {{{"v", QString(high) + low}}, "v=%F0%9F%98%80"},
        // A value without a UTF-8 form is refused, never sent with its "&" and "=" bare.
        {{{"a", "1"}, {"v", QString(high) + "&grant_type=x"}}, std::nullopt},
        {{{"v", "x" + QString(low) + "=y"}}, std::nullopt},
        {{{"v", QString(low) + high}}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OAuth::form(c.pairs), c.expected) << c.expected.value_or("(refused)").toStdString();
    EXPECT_EQ(OAuth::refreshBody(appConfig(), "R" + QString(high) + "&client_id=other"), std::nullopt);
    EXPECT_EQ(OAuth::codeExchangeBody(appConfig(), QString(low), "v"), std::nullopt);
}

TEST(OAuth, CodeAndStateFromTheCallback)
{
    struct Case {
        QString url;
        std::optional<QString> code;
        std::optional<QString> state;
    };
    const std::vector<Case> cases = {
        {"vantrycapture://auth?code=abc&state=S1", "abc", "S1"},
        {"vantrycapture://auth?state=S1&code=a%2Bb%20c", "a+b c", "S1"},
        {"vantrycapture://auth?code=&state=S1", "", "S1"},
        {"vantrycapture://auth?error=access_denied&state=S1", std::nullopt, "S1"},
        {"vantrycapture://auth", std::nullopt, std::nullopt},
        {"vantrycapture://auth?", std::nullopt, std::nullopt},
        {"vantrycapture://auth?Code=abc", std::nullopt, std::nullopt},
        // The first "code" decides, even when it has no value.
        {"vantrycapture://auth?code&code=abc", std::nullopt, std::nullopt},
        {"vantrycapture://auth?code=first&code=second&extra=1", "first", std::nullopt},
        // A repeated or valueless state never matches anything.
        {"vantrycapture://auth?code=abc&state=S1&state=S1", "abc", std::nullopt},
        {"vantrycapture://auth?code=abc&state", "abc", std::nullopt},
        {"vantrycapture://auth?code=abc#state=S1", "abc", std::nullopt},
    };
    for (const Case& c : cases) {
        const QUrl url(c.url);
        EXPECT_EQ(OAuth::code(url), c.code) << c.url.toStdString();
        EXPECT_EQ(OAuth::state(url), c.state) << c.url.toStdString();
    }
}

TEST(OAuth, EmailFromTheAccessToken)
{
    struct Case {
        QString token;
        std::optional<QString> email;
    };
    const std::vector<Case> cases = {
        {jwt(R"({"email":"a@b.test"})"), "a@b.test"},
        {jwt(R"({"properties":{"email":"p@b.test"},"email":"a@b.test"})"), "p@b.test"},
        {jwt(R"({"properties":"x","email":"a@b.test"})"), "a@b.test"},
        {jwt(R"({"properties":{"email":7},"email":"a@b.test"})"), "a@b.test"},
        {jwt(R"({"sub":"u1"})"), std::nullopt},
        {jwt(R"({"email":7})"), std::nullopt},
        {jwt(R"(["a@b.test"])"), std::nullopt},
        {jwt("not json"), std::nullopt},
        // Needs two and one "=" of padding.
        {"h." + QString::fromLatin1(QByteArray(R"({"email":"ab@c.de"})").toBase64(QByteArray::OmitTrailingEquals)), "ab@c.de"},
        {"h." + QString::fromLatin1(QByteArray(R"({"email":"ab@c.de"} )").toBase64(QByteArray::OmitTrailingEquals)), "ab@c.de"},
        {"h.eyJlbWFpbCI6ImFAYi5jIn0x", std::nullopt}, // length 1 more than a multiple of 4
        {"h.e$J9", std::nullopt},
        {"h.é", std::nullopt},
        {"single-piece", std::nullopt},
        {"..", std::nullopt},
        // Empty pieces are dropped: the payload is the second non-empty piece.
        {"." + jwt(R"({"email":"a@b.test"})"), "a@b.test"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OAuth::email(c.token), c.email) << c.token.toStdString();
}

TEST(OAuth, PkceVerifierAndStateAreFreshAndWellFormed)
{
    // RFC 7636, appendix B.
    EXPECT_EQ(OAuth::codeChallenge(QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")),
              QStringLiteral("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));

    const QRegularExpression verifierForm(QStringLiteral("^[A-Za-z0-9_-]{43}$"));
    const QRegularExpression stateForm(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    QSet<QString> seen;
    for (int i = 0; i < 50; ++i) {
        const QString verifier = OAuth::makeCodeVerifier();
        const QString state = OAuth::makeState();
        EXPECT_TRUE(verifierForm.match(verifier).hasMatch()) << verifier.toStdString();
        EXPECT_TRUE(stateForm.match(state).hasMatch()) << state.toStdString();
        seen.insert(verifier);
        seen.insert(state);
    }
    EXPECT_EQ(seen.size(), 100);
}

TEST(OAuth, ProvidersAndTokenReplies)
{
    EXPECT_EQ(authProviderFromRaw("google"), AuthProvider::google);
    EXPECT_EQ(authProviderFromRaw("code"), AuthProvider::code);
    EXPECT_EQ(authProviderFromRaw("Google"), std::nullopt);

    struct Case {
        QByteArray body;
        bool decodes;
        QString access;
        std::optional<QString> refresh;
    };
    const std::vector<Case> cases = {
        {R"({"access_token":"A","refresh_token":"R","token_type":"Bearer","expires_in":3600})", true, "A", "R"},
        {R"({"access_token":"A"})", true, "A", std::nullopt},
        {R"({"access_token":"A","refresh_token":null})", true, "A", std::nullopt},
        {R"({"refresh_token":"R"})", false, {}, {}},
        {R"({"access_token":null})", false, {}, {}},
        {R"({"access_token":5})", false, {}, {}},
        {R"({"access_token":"A","refresh_token":5})", false, {}, {}},
        {R"(["A"])", false, {}, {}},
        {"<html>bad gateway</html>", false, {}, {}},
        {"", false, {}, {}},
    };
    for (const Case& c : cases) {
        if (!c.decodes) {
            EXPECT_THROW(TokenResponse::decode(c.body), json::Error) << c.body.toStdString();
            continue;
        }
        const TokenResponse r = TokenResponse::decode(c.body);
        EXPECT_EQ(r.accessToken, c.access);
        EXPECT_EQ(r.refreshToken, c.refresh);
    }
}
