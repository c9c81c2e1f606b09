#include "StandInService.h"

#include "app/auth/TokenStore.h"
#include "core/support/Json.h"
#include "platform/Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrlQuery>
#include <QUuid>

namespace vantry::standin {

using test::FakeHttpRequest;
using test::FakeHttpResponse;

namespace {

const QString clientId = QStringLiteral("vantry-capture");
const QString redirectURI = QStringLiteral("vantrycapture://auth");
const QString demoEmail = QStringLiteral("demo@vantry.test");

FakeHttpResponse html(int status, const QString& body)
{
    FakeHttpResponse r;
    r.status = status;
    r.body = QStringLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><title>Vantry stand-in</title>"
                            "<style>body{font-family:sans-serif;margin:3em;max-width:50em}"
                            "td,th{padding:.2em .8em;text-align:left}</style></head><body>%1</body></html>")
                 .arg(body)
                 .toUtf8();
    r.header("Content-Type", "text/html; charset=utf-8");
    return r;
}

FakeHttpResponse oauthError(const QByteArray& error, const QString& why)
{
    return FakeHttpResponse::json(400, json::serialize(QJsonObject{{"error", QString::fromLatin1(error)},
                                                                   {"error_description", why}}));
}

QString randomText()
{
    const QByteArray bytes = QUuid::createUuid().toRfc4122() + QUuid::createUuid().toRfc4122();
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString base64url(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// An unsigned token that carries the e-mail address the application shows.
QString accessTokenFor(const QString& email)
{
    const QByteArray header = R"({"alg":"none","typ":"JWT"})";
    const QByteArray payload = json::serialize(QJsonObject{{"email", email}, {"sub", email}, {"jti", randomText()}});
    return base64url(header) + QLatin1Char('.') + base64url(payload) + QStringLiteral(".stand-in");
}

bool isUnreservedText(const QString& s)
{
    for (const QChar c : s)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'_' && c != u'~')
            return false;
    return true;
}

QString escaped(const QString& s)
{
    return s.toHtmlEscaped();
}

} // namespace

QString StandInService::databasePath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("inventory.sqlite"));
}

IssuedTokens StandInService::issueTokens(const QString& email)
{
    return {accessTokenFor(email), randomText(), email};
}

std::optional<QString> StandInService::signIn(InventoryDatabase& db, const QString& email, const QString& tokenFile)
{
    const IssuedTokens tokens = issueTokens(email);
    if (const auto e = db.saveTokens(tokens))
        return e;
    // The application's own folder is owner-only.
    paths::makeDir(QFileInfo(tokenFile).absolutePath(), 0700);
    QSaveFile file(tokenFile);
    // Owner-only before a byte is written, as the application keeps it.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("cannot write %1: %2").arg(tokenFile, file.errorString());
    file.write(TokenStore::encoded({{TokenStore::accessTokenKey, tokens.accessToken},
                                    {TokenStore::refreshTokenKey, tokens.refreshToken}}));
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(tokenFile, file.errorString());
    return std::nullopt;
}

StandInService::StandInService(quint16 port, const QString& databaseFile)
    : service_(test::FakeHttpServer::Port{port})
    , db_(databaseFile)
{
}

std::unique_ptr<StandInService> StandInService::start(quint16 port, const QString& folder,
                                                     std::vector<CataloguePrinting> catalogue, QString* error)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return nullptr;
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        *error = QStringLiteral("the folder %1 is not writable").arg(folder);
        return nullptr;
    }
    std::unique_ptr<StandInService> s(new StandInService(port, databasePath(folder)));
    if (!s->db_.error().isEmpty()) {
        *error = QStringLiteral("cannot use the database %1: %2").arg(databasePath(folder), s->db_.error());
        return nullptr;
    }
    if (!s->service_.server().listening()) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                     .arg(port)
                     .arg(s->service_.server().errorString());
        return nullptr;
    }
    for (const CataloguePrinting& p : catalogue)
        s->service_.catalogue.push_back({p.scryfallId, p.name, p.setCode, p.collectorNumber, p.priceUsd});
    s->installRoutes();
    return s;
}

quint16 StandInService::port() const
{
    return const_cast<test::FakeInventoryService&>(service_).server().port();
}

QString StandInService::apiURL() const
{
    return service_.baseURL();
}

QString StandInService::issuer() const
{
    return QStringLiteral("http://127.0.0.1:%1/auth").arg(port());
}

void StandInService::refreshBins()
{
    service_.bins.clear();
    for (InventoryBinSummary& bin : db_.bins(workspaceId))
        if (!bin.label.isEmpty())
            service_.bins.push_back(std::move(bin));
}

void StandInService::installRoutes()
{
    auto& server = service_.server();
    server.setKeepsJournal(false);
    service_.workspaces = {{workspaceId, QStringLiteral("Demo shop"), QStringLiteral("owner")}};
    service_.replaceSessionStatus = QStringLiteral("committing");
    service_.committingPolls = 1;
    service_.tokenAccepted = [this](const QString& token) { return db_.tokensByAccess(token).has_value(); };
    service_.storeImport = [this](const test::FakeInventoryService::Session& session, const ImportBody& body) {
        const QString condition =
            body.defaultCondition.value_or(session.create.defaultCondition.value_or(QStringLiteral("NM")));
        const auto error = db_.addItems(session.create.workspaceId.value_or(workspaceId), body.location.value_or(QString()),
                                        session.id, session.items, condition);
        if (!error)
            refreshBins();
        return error;
    };
    service_.storeReplacement = [this](test::FakeInventoryService::Session& session, const ScanReplaceRequest& request,
                                       ScanReplaceResult& result) -> std::optional<QString> {
        int retired = 0;
        const auto error = db_.replaceBins(session.create.workspaceId.value_or(workspaceId), session.id,
                                           request.replaceBins, request.assignments, session.items,
                                           session.create.defaultCondition.value_or(QStringLiteral("NM")),
                                           request.dryRun, retired);
        if (error)
            return error;
        int created = 0;
        for (const auto& a : request.assignments)
            for (const auto& item : session.items)
                if (item.itemId == a.itemId)
                    created += item.count;
        result.claimed = 0;
        result.movedFromOtherBins = 0;
        result.created = created;
        result.retired = retired;
        result.retiredValueUsd = 0;
        result.binsWritten = request.replaceBins;
        if (!request.dryRun) {
            session.commitResult = ScanReplaceCommitResult{0, 0, created, retired, 0, request.replaceBins};
            refreshBins();
        }
        return std::nullopt;
    };
    refreshBins();

    server.route("GET", "/auth/authorize", [this](const FakeHttpRequest& r) { return authorizePage(r); });
    server.route("GET", "/auth/approve", [this](const FakeHttpRequest& r) { return approve(r); });
    server.route("POST", "/auth/token", [this](const FakeHttpRequest& r) { return token(r); });
    server.route("GET", "/", [this](const FakeHttpRequest&) { return inventoryPage(); });
}

FakeHttpResponse StandInService::authorizePage(const FakeHttpRequest& r)
{
    const QUrlQuery q(QString::fromLatin1(r.query()));
    auto value = [&q](const char* name) { return q.queryItemValue(QLatin1String(name), QUrl::FullyDecoded); };
    QString problem;
    if (value("client_id") != clientId)
        problem = QStringLiteral("unknown client_id");
    else if (value("redirect_uri") != redirectURI)
        problem = QStringLiteral("redirect_uri is not registered for this client");
    else if (value("response_type") != QLatin1String("code"))
        problem = QStringLiteral("response_type must be code");
    else if (value("provider") != QLatin1String("google") && value("provider") != QLatin1String("code"))
        problem = QStringLiteral("unknown provider");
    else if (value("state").isEmpty())
        problem = QStringLiteral("state is missing");
    else if (value("code_challenge_method") != QLatin1String("S256"))
        problem = QStringLiteral("code_challenge_method must be S256");
    else if (value("code_challenge").size() != 43 || !isUnreservedText(value("code_challenge")))
        problem = QStringLiteral("code_challenge must be a base64url SHA-256 value");
    if (!problem.isEmpty())
        return html(400, QStringLiteral("<h1>Sign-in request refused</h1><p>%1</p>").arg(escaped(problem)));

    QString hidden;
    for (const char* name : {"state", "code_challenge"})
        hidden += QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">")
                      .arg(QLatin1String(name), escaped(value(name)));
    return html(200, QStringLiteral("<h1>Vantry stand-in sign-in</h1>"
                                    "<p>This is the local stand-in of the inventory service. No password is needed.</p>"
                                    "<form method=\"get\" action=\"/auth/approve\">%1"
                                    "<label>E-mail <input name=\"email\" value=\"%2\" aria-label=\"E-mail\"></label> "
                                    "<button type=\"submit\">Sign in</button></form>")
                         .arg(hidden, escaped(demoEmail)));
}

FakeHttpResponse StandInService::approve(const FakeHttpRequest& r)
{
    const QUrlQuery q(QString::fromLatin1(r.query()));
    const QString state = q.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded);
    const QString challenge = q.queryItemValue(QStringLiteral("code_challenge"), QUrl::FullyDecoded);
    const QString email = q.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded).trimmed();
    if (state.isEmpty() || challenge.size() != 43 || !email.contains(QLatin1Char('@')))
        return html(400, QStringLiteral("<h1>Sign-in refused</h1><p>An e-mail address is needed.</p>"));
    const QString code = randomText();
    codes_[code] = {challenge, email, QDateTime::currentDateTimeUtc().addSecs(600)};
    const QString target = redirectURI + QStringLiteral("?code=") + QString::fromLatin1(QUrl::toPercentEncoding(code)) +
                           QStringLiteral("&state=") + QString::fromLatin1(QUrl::toPercentEncoding(state));
    FakeHttpResponse response = html(302, QStringLiteral("<p>Signed in. <a href=\"%1\">Return to Vantry Capture</a>.</p>")
                                              .arg(escaped(target)));
    response.header("Location", target.toUtf8());
    return response;
}

FakeHttpResponse StandInService::token(const FakeHttpRequest& r)
{
    if (!r.header("content-type").startsWith("application/x-www-form-urlencoded"))
        return oauthError("invalid_request", QStringLiteral("a form body is expected"));
    const QUrlQuery form(QString::fromUtf8(r.body));
    auto value = [&form](const char* name) { return form.queryItemValue(QLatin1String(name), QUrl::FullyDecoded); };
    if (value("client_id") != clientId)
        return oauthError("invalid_client", QStringLiteral("unknown client"));
    const QString grant = value("grant_type");
    IssuedTokens tokens;
    if (grant == QLatin1String("authorization_code")) {
        const auto it = codes_.find(value("code"));
        if (it == codes_.end())
            return oauthError("invalid_grant", QStringLiteral("unknown or used code"));
        const PendingCode pending = it->second;
        codes_.erase(it); // one exchange per code, right or wrong
        if (pending.expires < QDateTime::currentDateTimeUtc())
            return oauthError("invalid_grant", QStringLiteral("the code expired"));
        if (value("redirect_uri") != redirectURI)
            return oauthError("invalid_grant", QStringLiteral("redirect_uri differs from the authorize request"));
        const QString verifier = value("code_verifier");
        if (verifier.size() < 43 || verifier.size() > 128 || !isUnreservedText(verifier) ||
            base64url(QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256)) != pending.challenge)
            return oauthError("invalid_grant", QStringLiteral("code_verifier does not match the code challenge"));
        tokens = issueTokens(pending.email);
        if (const auto e = db_.saveTokens(tokens))
            return FakeHttpResponse::json(500, json::serialize(QJsonObject{{"error", *e}}));
    } else if (grant == QLatin1String("refresh_token")) {
        const auto known = db_.tokensByRefresh(value("refresh_token"));
        if (!known)
            return oauthError("invalid_grant", QStringLiteral("unknown refresh token"));
        tokens = *known;
        tokens.accessToken = accessTokenFor(known->email);
        if (const auto e = db_.renewAccess(known->refreshToken, tokens.accessToken))
            return FakeHttpResponse::json(500, json::serialize(QJsonObject{{"error", *e}}));
    } else {
        return oauthError("unsupported_grant_type", QStringLiteral("grant_type must be authorization_code or refresh_token"));
    }
    return FakeHttpResponse::json(200, json::serialize(QJsonObject{{"access_token", tokens.accessToken},
                                                                   {"refresh_token", tokens.refreshToken},
                                                                   {"token_type", "Bearer"},
                                                                   {"expires_in", 3600}}));
}

FakeHttpResponse StandInService::inventoryPage()
{
    QString rows;
    int copies = 0;
    for (const InventoryLine& line : db_.lines(workspaceId)) {
        copies += line.count;
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3 %4</td><td>%5</td><td>%6</td><td>%7</td></tr>")
                    .arg(escaped(line.bin.isEmpty() ? QStringLiteral("(no bin)") : line.bin), escaped(line.name),
                         escaped(line.setCode.toUpper()), escaped(line.collectorNumber), escaped(line.finish),
                         escaped(line.condition), QString::number(line.count));
    }
    return html(200, QStringLiteral("<h1>Vantry stand-in: inventory of Demo shop</h1><p>%1 copies.</p>"
                                    "<table><tr><th>Bin</th><th>Card</th><th>Printing</th><th>Finish</th>"
                                    "<th>Condition</th><th>Copies</th></tr>%2</table>")
                         .arg(QString::number(copies), rows));
}

} // namespace vantry::standin
