#pragma once

#include <QByteArray>
#include <QIODevice>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace vantry {

// A request body that can be read only once. Qt's HTTP/1 layer silently sends a request
// again when its connection closes before an answer arrives; for a request that is not
// idempotent the server may already have carried it out (an import imported twice, a
// sign-in code spent, a rotated refresh token revoked), so such a repeat fails with
// QNetworkReply::ContentReSendError instead of being sent.
class OneShotBody final : public QIODevice {
public:
    explicit OneShotBody(QByteArray data);

    // Sends `body` with `method`, streamed from a one-shot body over HTTP/1.1, so that Qt
    // never sends it a second time on its own. The reply owns the body.
    static QNetworkReply* send(QNetworkAccessManager& manager, QNetworkRequest request, const QByteArray& method,
                               const QByteArray& body);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override { return position_ >= data_.size(); }
    bool reset() override { return false; }

protected:
    qint64 readData(char* out, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 position_ = 0;
};

} // namespace vantry
