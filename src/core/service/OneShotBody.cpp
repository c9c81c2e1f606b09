#include "core/service/OneShotBody.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <cstring>

namespace vantry {

OneShotBody::OneShotBody(QByteArray data)
    : data_(std::move(data))
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

QNetworkReply* OneShotBody::send(QNetworkAccessManager& manager, QNetworkRequest request, const QByteArray& method,
                                 const QByteArray& body)
{
    auto* device = new OneShotBody(body);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    // Buffered upload data would let Qt rewind and send it again; HTTP/2 streams are
    // replayed on their own terms.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply* reply = manager.sendCustomRequest(request, method, device);
    device->setParent(reply);
    return reply;
}

qint64 OneShotBody::bytesAvailable() const
{
    return data_.size() - position_ + QIODevice::bytesAvailable();
}

qint64 OneShotBody::readData(char* out, qint64 maxSize)
{
    const qint64 n = std::min<qint64>(maxSize, data_.size() - position_);
    if (n <= 0)
        return position_ >= data_.size() ? -1 : 0;
    std::memcpy(out, data_.constData() + position_, size_t(n));
    position_ += n;
    return n;
}

} // namespace vantry
