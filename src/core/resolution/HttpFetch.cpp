#include "core/resolution/HttpFetch.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>

#include <QCoroNetworkReply>

#include <algorithm>
#include <cmath>

namespace vantry {

QDeadlineTimer HttpLimits::lookupDeadline() const
{
    return lookup.count() > 0 ? QDeadlineTimer(lookup) : QDeadlineTimer(QDeadlineTimer::Forever);
}

QCoro::Task<std::optional<HttpReply>> httpGet(std::shared_ptr<QNetworkAccessManager> network, QUrl url,
                                              QList<QPair<QByteArray, QByteArray>> headers, HttpLimits limits,
                                              QDeadlineTimer deadline)
{
    if (!network || !url.isValid() || url.isRelative() || url.host().isEmpty())
        co_return std::nullopt;
    // The sooner of the request's own limit and the lookup's deadline.
    std::optional<std::chrono::milliseconds> total;
    if (limits.total.count() > 0)
        total = limits.total;
    if (!deadline.isForever()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
        if (left.count() <= 0)
            co_return std::nullopt;
        total = total ? std::min(*total, left) : left;
    }
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    if (limits.idle.count() > 0)
        request.setTransferTimeout(int(limits.idle.count()));
    QNetworkReply* raw = network->get(request);
    if (!raw)
        co_return std::nullopt;
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(raw, [](QNetworkReply* r) { r->deleteLater(); });
    if (total) {
        QTimer::singleShot(*total, raw, [raw] {
            if (raw->isRunning())
                raw->abort();
        });
    }
    // Abandoned as soon as it announces or brings more than the cap.
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(raw, &QNetworkReply::downloadProgress, raw,
                     [raw, tooLarge, max = limits.maxBytes](qint64 received, qint64 announced) {
                         if ((received > max || announced > max) && !*tooLarge) {
                             *tooLarge = true;
                             raw->abort();
                         }
                     });
    co_await raw;
    if (*tooLarge)
        co_return std::nullopt;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An HTTP error status still carries its status; anything without one is a transport failure.
    if (!status.isValid())
        co_return std::nullopt;
    if (raw->error() != QNetworkReply::NoError && raw->error() < QNetworkReply::ContentAccessDenied)
        co_return std::nullopt; // connection-level failure (abort, time-out, reset) after a header
    co_return HttpReply{status.toInt(), raw->readAll()};
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
