#include "core/resolution/HttpFetch.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <QCoroNetworkReply>

#include <cmath>

namespace vantry {

QCoro::Task<std::optional<HttpReply>> httpGet(std::shared_ptr<QNetworkAccessManager> network, QUrl url,
                                              QList<QPair<QByteArray, QByteArray>> headers, HttpTimeouts timeouts)
{
    if (!network || !url.isValid() || url.isRelative() || url.host().isEmpty())
        co_return std::nullopt;
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    if (timeouts.idle.count() > 0)
        request.setTransferTimeout(int(timeouts.idle.count()));
    QPointer<QNetworkReply> reply = network->get(request);
    if (!reply)
        co_return std::nullopt;
    if (timeouts.total.count() > 0) {
        QTimer::singleShot(timeouts.total, reply.data(), [reply] {
            if (reply && reply->isRunning())
                reply->abort();
        });
    }
    co_await reply.data();
    if (!reply)
        co_return std::nullopt;
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status still carries its status; anything without one is a transport failure.
    if (!status.isValid())
        co_return std::nullopt;
    if (reply->error() != QNetworkReply::NoError && reply->error() < QNetworkReply::ContentAccessDenied)
        co_return std::nullopt; // connection-level failure (abort, time-out, reset) after a header
    co_return HttpReply{status.toInt(), reply->readAll()};
}

QByteArray percentEncoded(const QString& value) { return QUrl::toPercentEncoding(value); }

std::optional<double> numberFromText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(
        "^[+-]?(?:(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?|[Nn][Aa][Nn]|[Ii][Nn][Ff](?:[Ii][Nn][Ii][Tt][Yy])?)$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    const QString lower = text.toLower();
    if (lower.endsWith(QStringLiteral("nan")))
        return std::nan("");
    if (lower.contains(QStringLiteral("inf")))
        return lower.startsWith(u'-') ? -INFINITY : INFINITY;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> usablePrice(std::optional<double> value)
{
    if (!value || !std::isfinite(*value) || *value < 0)
        return std::nullopt;
    return value;
}

} // namespace vantry
