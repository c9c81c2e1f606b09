#include "core/service/HTTPTransport.h"

#include "core/service/CaptureError.h"
#include "core/service/OneShotBody.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

#include <memory>

namespace vantry {

namespace {

QPointer<QNetworkAccessManager>& applicationThreadManager()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

// Runs first in the application's destructor. As a mere child the manager would be deleted
// after the application is torn down, while its HTTP thread still delivers events.
void deleteApplicationThreadManager()
{
    delete applicationThreadManager().data();
}

// One network manager per thread, owned by the application: the transport itself keeps
// no session object, cookie or token cache.
QNetworkAccessManager* networkManager()
{
    thread_local QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        QObject* owner = QCoreApplication::instance();
        const bool applicationThread = owner && owner->thread() == QThread::currentThread();
        manager = new QNetworkAccessManager(applicationThread ? owner : nullptr);
        manager->setCookieJar(nullptr);
        if (applicationThread) {
            applicationThreadManager() = manager;
            qAddPostRoutine(deleteApplicationThreadManager);
        }
    }
    return manager;
}

QString utf8OrEmpty(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

bool isIdempotent(const QByteArray& method)
{
    return method == "GET" || method == "HEAD" || method == "PUT" || method == "DELETE" || method == "OPTIONS";
}

struct RawReply {
    std::optional<int> status;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    bool tooLarge = false;
    bool pastDeadline = false;
};

QCoro::Task<RawReply> perform(QNetworkRequest request, QByteArray method, std::optional<QByteArray> body,
                              qint64 maxBytes, std::chrono::milliseconds deadline)
{
    // Cookies are neither stored nor sent.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    QNetworkAccessManager* manager = networkManager();
    QNetworkReply* sent = nullptr;
    if (body && !isIdempotent(method)) {
        // The service may already have carried it out when a connection drops: sent once.
        sent = OneShotBody::send(*manager, request, method, *body);
    } else if (body) {
        sent = manager->sendCustomRequest(request, method, *body);
    } else {
        sent = manager->sendCustomRequest(request, method);
    }
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(sent, [](QNetworkReply* r) { r->deleteLater(); });

    auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* raw = reply.get();
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw, [raw, tooLarge, maxBytes](qint64 received, qint64) {
        if (received > maxBytes && !*tooLarge) {
            *tooLarge = true;
            raw->abort();
        }
    });

    // The transfer timeout only limits silence; a reply trickled byte by byte ends here.
    auto pastDeadline = std::make_shared<bool>(false);
    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    QObject::connect(&deadlineTimer, &QTimer::timeout, raw, [raw, pastDeadline] {
        *pastDeadline = true;
        raw->abort();
    });
    deadlineTimer.start(deadline);

    co_await raw;
    deadlineTimer.stop();

    RawReply out;
    out.pastDeadline = *pastDeadline;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        out.status = status.toInt();
    out.error = raw->error();
    out.errorString = raw->errorString();
    out.tooLarge = *tooLarge;
    if (!out.tooLarge && raw->isOpen())
        out.body = raw->readAll();
    co_return out;
}

// Turns a network-layer failure into a CaptureError, or returns nothing when the reply
// reached the HTTP layer.
std::optional<CaptureError> networkFailure(const RawReply& reply, std::chrono::milliseconds timeout,
                                           std::chrono::milliseconds deadline, const QString& shownURL,
                                           const QString& fullURL)
{
    if (reply.pastDeadline)
        return CaptureError::transport(QNetworkReply::TimeoutError,
                                       QStringLiteral("The request to %1 did not finish within %2 s and was stopped.")
                                           .arg(shownURL, QString::number(double(deadline.count()) / 1000.0)));
    if (reply.tooLarge)
        return CaptureError::transport(QNetworkReply::UnknownContentError,
                                       QStringLiteral("the response from %1 was too large").arg(shownURL));
    const bool httpAnswered = reply.status && (*reply.status < 200 || *reply.status > 299);
    if (reply.error == QNetworkReply::NoError || httpAnswered)
        return std::nullopt;
    if (reply.error == QNetworkReply::OperationCanceledError || reply.error == QNetworkReply::TimeoutError)
        return CaptureError::transport(QNetworkReply::TimeoutError,
                                       QStringLiteral("The request timed out (no answer from %1 within %2 s).")
                                           .arg(shownURL, QString::number(double(timeout.count()) / 1000.0)));
    if (reply.error == QNetworkReply::ContentReSendError)
        return CaptureError::transport(reply.error,
                                       QStringLiteral("The connection to %1 closed without an answer (the request was not sent again).")
                                           .arg(shownURL));
    QString message = reply.errorString;
    if (shownURL != fullURL)
        message.replace(fullURL, shownURL);
    return CaptureError::transport(reply.error, message);
}

} // namespace

HTTPTransport::HTTPTransport(QString baseURL, AccessTokenProvider accessToken, RefreshProvider refresh)
    : baseURL_(std::move(baseURL))
    , accessToken_(std::move(accessToken))
    , refresh_(std::move(refresh))
{
    while (baseURL_.endsWith(QLatin1Char('/')))
        baseURL_.chop(1);
}

QString HTTPTransport::displayURL(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
}

QCoro::Task<QByteArray> HTTPTransport::send(QString method, QString path, std::optional<QByteArray> body)
{
    // Copied before the first suspension: the coroutine must not depend on `this` afterwards.
    const QString base = baseURL_;
    const AccessTokenProvider accessToken = accessToken_;
    const RefreshProvider refresh = refresh_;
    const auto timeout = timeout_;
    const auto deadline = deadline_;
    const qint64 maxBytes = maxResponseBytes_;

    auto attempt = [=]() -> QCoro::Task<QByteArray> {
        const QString joined = base + path;
        const QUrl url(joined, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            throw CaptureError::badURL(joined);

        QNetworkRequest request(url);
        request.setTransferTimeout(int(timeout.count()));
        request.setRawHeader("content-type", "application/json");
        request.setRawHeader("accept", "application/json");
        std::optional<QString> token;
        if (accessToken)
            token = co_await accessToken();
        if (token)
            request.setRawHeader("Authorization", "Bearer " + token->toUtf8());

        const RawReply reply = co_await perform(request, method.toUtf8(), body, maxBytes, deadline);
        const QString shown = url.toString(QUrl::FullyEncoded);
        if (auto failure = networkFailure(reply, timeout, deadline, shown, shown))
            throw *failure;
        if (!reply.status)
            throw CaptureError::noResponse();
        if (*reply.status >= 200 && *reply.status <= 299)
            co_return reply.body;
        throw CaptureError::http(*reply.status, utf8OrEmpty(reply.body), method, path);
    };

    std::optional<CaptureError> unauthorized;
    try {
        co_return co_await attempt();
    } catch (const CaptureError& error) {
        if (!(error.is(CaptureError::Kind::http) && error.status() == 401))
            throw;
        unauthorized = error;
    }
    // One refresh and one repeat; a second 401 is not refreshed again.
    const bool refreshed = refresh ? co_await refresh() : false;
    if (!refreshed)
        throw *unauthorized;
    co_return co_await attempt();
}

QCoro::Task<void> HTTPTransport::upload(QUrl url, QByteArray body, StringDictionary headers)
{
    const auto timeout = timeout_;
    const auto deadline = deadline_;
    const qint64 maxBytes = maxResponseBytes_;
    const QString shown = displayURL(url);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        throw CaptureError::badURL(shown);

    QNetworkRequest request(url);
    request.setTransferTimeout(int(timeout.count()));
    for (const auto& [name, value] : headers)
        request.setRawHeader(name.toUtf8(), value.toUtf8());

    const RawReply reply = co_await perform(request, "PUT", body, maxBytes, deadline);
    if (auto failure = networkFailure(reply, timeout, deadline, shown, url.toString(QUrl::FullyEncoded)))
        throw *failure;
    if (!reply.status)
        throw CaptureError::noResponse();
    if (*reply.status >= 200 && *reply.status <= 299)
        co_return;
    throw CaptureError::http(*reply.status, utf8OrEmpty(reply.body), QStringLiteral("PUT"), shown);
}

} // namespace vantry
