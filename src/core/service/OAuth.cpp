#include "core/service/OAuth.h"

#include <QByteArray>
#include <QChar>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <array>

namespace vantry::OAuth {

namespace {

const char hexDigits[] = "0123456789ABCDEF";

void appendPercent(QByteArray& out, uchar byte)
{
    out.append('%');
    out.append(hexDigits[byte >> 4]);
    out.append(hexDigits[byte & 0x0F]);
}

// Query values of the authorize URL: what a query allows stays, except the characters that
// would end or split a value ("&", "=", "+", "#", ";").
QString encodeQueryValue(const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray out;
    for (char c : utf8) {
        const uchar b = static_cast<uchar>(c);
        const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                          QByteArray("-._~!$'()*,:@/?").contains(c);
        if (keep)
            out.append(c);
        else
            appendPercent(out, b);
    }
    return QString::fromLatin1(out);
}

bool isFormAllowed(char32_t cp)
{
    if (cp == U'-' || cp == U'.' || cp == U'_' || cp == U'~')
        return true;
    switch (QChar::category(cp)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

std::optional<QString> encodeFormValue(const QString& value)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray utf8 = encoder(value);
    if (encoder.hasError())
        return std::nullopt; // a lone surrogate has no UTF-8 form
    QString out;
    for (char32_t cp : QString::fromUtf8(utf8).toUcs4()) {
        if (isFormAllowed(cp)) {
            out.append(QString::fromUcs4(&cp, 1));
            continue;
        }
        QByteArray bytes;
        for (char c : QString::fromUcs4(&cp, 1).toUtf8())
            appendPercent(bytes, static_cast<uchar>(c));
        out.append(QString::fromLatin1(bytes));
    }
    return out;
}

QString base64Url(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

QUrl authorizeURL(const OAuthConfig& config, AuthProvider provider, const QString& state,
                  const QString& codeChallenge)
{
    const std::array<std::pair<QString, QString>, 7> items{{
        {QStringLiteral("client_id"), config.clientId},
        {QStringLiteral("redirect_uri"), config.redirectURI},
        {QStringLiteral("response_type"), QStringLiteral("code")},
        {QStringLiteral("provider"), rawValue(provider)},
        {QStringLiteral("state"), state},
        {QStringLiteral("code_challenge"), codeChallenge},
        {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
    }};
    QStringList query;
    for (const auto& [name, value] : items)
        query.append(encodeQueryValue(name) + QLatin1Char('=') + encodeQueryValue(value));
    return QUrl(config.issuer + QStringLiteral("/authorize?") + query.join(QLatin1Char('&')), QUrl::StrictMode);
}

QUrl tokenURL(const OAuthConfig& config)
{
    return QUrl(config.issuer + QStringLiteral("/token"));
}

std::optional<QString> codeExchangeBody(const OAuthConfig& config, const QString& code, const QString& codeVerifier)
{
    return form({{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                 {QStringLiteral("client_id"), config.clientId},
                 {QStringLiteral("code"), code},
                 {QStringLiteral("code_verifier"), codeVerifier},
                 {QStringLiteral("redirect_uri"), config.redirectURI}});
}

std::optional<QString> refreshBody(const OAuthConfig& config, const QString& refreshToken)
{
    return form({{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                 {QStringLiteral("refresh_token"), refreshToken},
                 {QStringLiteral("client_id"), config.clientId}});
}

std::optional<QString> form(const std::vector<std::pair<QString, QString>>& pairs)
{
    std::vector<QString> parts;
    parts.reserve(pairs.size());
    for (const auto& [key, value] : pairs) {
        const std::optional<QString> encoded = encodeFormValue(value);
        if (!encoded)
            return std::nullopt;
        parts.push_back(key + QLatin1Char('=') + *encoded);
    }
    // Plain scalar-value order (QString's own comparison orders UTF-16 code units).
    std::sort(parts.begin(), parts.end(),
              [](const QString& a, const QString& b) { return a.toUcs4() < b.toUcs4(); });
    QStringList list(parts.begin(), parts.end());
    return list.join(QLatin1Char('&'));
}

std::optional<std::vector<std::pair<QString, std::optional<QString>>>> queryItems(const QUrl& url)
{
    if (!url.isValid() || !url.hasQuery())
        return std::nullopt;
    const QString raw = url.query(QUrl::FullyEncoded);
    std::vector<std::pair<QString, std::optional<QString>>> items;
    if (raw.isEmpty())
        return items;
    for (const QString& piece : raw.split(QLatin1Char('&'))) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0) {
            items.emplace_back(QUrl::fromPercentEncoding(piece.toLatin1()), std::nullopt);
            continue;
        }
        items.emplace_back(QUrl::fromPercentEncoding(piece.left(eq).toLatin1()),
                           QUrl::fromPercentEncoding(piece.mid(eq + 1).toLatin1()));
    }
    return items;
}

std::optional<QString> code(const QUrl& callback)
{
    const auto items = queryItems(callback);
    if (!items)
        return std::nullopt;
    for (const auto& [name, value] : *items) {
        if (name == QLatin1String("code"))
            return value;
    }
    return std::nullopt;
}

std::optional<QString> state(const QUrl& callback)
{
    const auto items = queryItems(callback);
    if (!items)
        return std::nullopt;
    std::optional<QString> found;
    int count = 0;
    for (const auto& [name, value] : *items) {
        if (name == QLatin1String("state")) {
            ++count;
            found = value;
        }
    }
    // A repeated state is ambiguous; it never matches.
    if (count != 1)
        return std::nullopt;
    return found;
}

std::optional<QString> email(const QString& jwt)
{
    const QStringList pieces = jwt.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    const QString piece = pieces.at(1);
    if (std::any_of(piece.begin(), piece.end(), [](QChar c) { return c.unicode() > 0x7F; }))
        return std::nullopt; // not Base64 text at all
    QByteArray payload = piece.toLatin1();
    payload.replace('-', '+').replace('_', '/');
    while (payload.size() % 4 != 0)
        payload.append('=');
    const auto decoded = QByteArray::fromBase64Encoding(payload, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*decoded, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();
    const QJsonValue properties = top.value(QStringLiteral("properties"));
    if (properties.isObject()) {
        const QJsonValue nested = properties.toObject().value(QStringLiteral("email"));
        if (nested.isString())
            return nested.toString();
    }
    const QJsonValue direct = top.value(QStringLiteral("email"));
    if (direct.isString())
        return direct.toString();
    return std::nullopt;
}

QString makeState()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString makeCodeVerifier()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return base64Url(QByteArray(reinterpret_cast<const char*>(words.data()), sizeof(words)));
}

QString codeChallenge(const QString& codeVerifier)
{
    return base64Url(QCryptographicHash::hash(codeVerifier.toUtf8(), QCryptographicHash::Sha256));
}

} // namespace vantry::OAuth
