#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

namespace vantry {

// What a GET brought back: the HTTP status and the body. Absent when there was no HTTP
// answer at all (invalid URL, transport error, time-out).
struct HttpReply {
    int status = 0;
    QByteArray body;
};

struct HttpTimeouts {
    // No data for this long fails the request.
    std::chrono::milliseconds idle{60000};
    // The whole request may take this long.
    std::chrono::milliseconds total{0}; // 0: no limit besides `idle`
};

// One GET on `network` (which must live on the calling thread) with exactly the given
// headers of our own.
QCoro::Task<std::optional<HttpReply>> httpGet(std::shared_ptr<QNetworkAccessManager> network, QUrl url,
                                              QList<QPair<QByteArray, QByteArray>> headers, HttpTimeouts timeouts);

// Percent-encoding of a query value or path segment: everything but the unreserved
// characters of RFC 3986 is encoded, so "&", "=", "+", "#", "/" and "?" reach the server
// as data.
QByteArray percentEncoded(const QString& value);

// Strict number text: the whole text must be a number ("12.50", "1e3", "nan", "inf");
// none otherwise. No spaces, no thousands separators.
std::optional<double> numberFromText(const QString& text);

// A price is finite and not negative; anything else counts as no price.
std::optional<double> usablePrice(std::optional<double> value);

} // namespace vantry
