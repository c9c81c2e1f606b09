#pragma once

#include "core/service/Transport.h"

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

namespace vantry {

// The inventory service's HTTP transport: JSON headers and the bearer token on every
// request, one token refresh and one repeat after a 401. Redirects are followed only
// within the same origin, so the token never reaches another host.
class HTTPTransport : public Transport {
public:
    using AccessTokenProvider = std::function<QCoro::Task<std::optional<QString>>()>;
    using RefreshProvider = std::function<QCoro::Task<bool>()>;

    static constexpr std::chrono::milliseconds defaultTimeout{60000};
    static constexpr std::chrono::milliseconds defaultDeadline{120000};
    static constexpr qint64 defaultMaxResponseBytes = 64LL * 1024 * 1024;

    // Every trailing "/" of `baseURL` is removed.
    HTTPTransport(QString baseURL, AccessTokenProvider accessToken, RefreshProvider refresh);

    const QString& baseURL() const { return baseURL_; }

    // A request with no answer for this long fails (tests shorten it).
    HTTPTransport& setTimeout(std::chrono::milliseconds timeout)
    {
        timeout_ = timeout;
        return *this;
    }
    // A request not finished this long after it started fails, however its bytes trickle in.
    HTTPTransport& setDeadline(std::chrono::milliseconds deadline)
    {
        deadline_ = deadline;
        return *this;
    }
    // A reply larger than this is abandoned instead of being read into memory.
    HTTPTransport& setMaxResponseBytes(qint64 bytes)
    {
        maxResponseBytes_ = bytes;
        return *this;
    }

    QCoro::Task<QByteArray> send(QString method, QString path, std::optional<QByteArray> body) override;
    QCoro::Task<void> upload(QUrl url, QByteArray body, StringDictionary headers) override;

    // The URL without its query and fragment, as upload failures show it (a presigned
    // URL's query carries its signature).
    static QString displayURL(const QUrl& url);

private:
    QString baseURL_;
    AccessTokenProvider accessToken_;
    RefreshProvider refresh_;
    std::chrono::milliseconds timeout_ = defaultTimeout;
    std::chrono::milliseconds deadline_ = defaultDeadline;
    qint64 maxResponseBytes_ = defaultMaxResponseBytes;
};

} // namespace vantry
