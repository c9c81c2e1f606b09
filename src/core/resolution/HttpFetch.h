#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

namespace vantry {

// What a GET brought back: the HTTP status and the body. Absent when there was no HTTP
// answer at all (invalid URL, transport error, time-out, a reply past the size cap).
struct HttpReply {
    int status = 0;
    QByteArray body;
};

struct HttpLimits {
    // A card record or a page of search results is far smaller.
    static constexpr qint64 defaultMaxBytes = 8LL * 1024 * 1024;

    // No data for this long fails the request.
    std::chrono::milliseconds idle{60000};
    // One request may take this long.
    std::chrono::milliseconds total{0}; // 0: no limit besides `idle`
    // One lookup, all its requests (and waits for them) together, may take this long.
    std::chrono::milliseconds lookup{0}; // 0: no limit besides those of its requests
    // A reply larger than this is abandoned while it arrives, never read whole.
    qint64 maxBytes = defaultMaxBytes;

    // The deadline of a lookup that starts now.
    QDeadlineTimer lookupDeadline() const;
};

// One GET on `network` (which must live on the calling thread) with exactly the given
// headers of our own, ending at the latest at `deadline`.
QCoro::Task<std::optional<HttpReply>> httpGet(std::shared_ptr<QNetworkAccessManager> network, QUrl url,
                                              QList<QPair<QByteArray, QByteArray>> headers, HttpLimits limits,
                                              QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

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
