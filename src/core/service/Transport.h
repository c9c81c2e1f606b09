#pragma once

#include "core/service/StringDictionary.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

namespace vantry {

// The service client's seam to the network: it knows nothing of the endpoints.
// Failures are thrown (CaptureError from the HTTP layer).
class Transport {
public:
    virtual ~Transport() = default;

    // Sends one JSON request to `path` (which carries any query string) below the base URL
    // and returns the response body. `body` absent means no body at all; present but empty
    // is a zero-length body.
    virtual QCoro::Task<QByteArray> send(QString method, QString path, std::optional<QByteArray> body) = 0;

    // PUTs `body` to an absolute URL with exactly `headers` (presigned uploads).
    virtual QCoro::Task<void> upload(QUrl url, QByteArray body, StringDictionary headers) = 0;
};

} // namespace vantry
