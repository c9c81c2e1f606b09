#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace vantry::test {

using FakeHeaders = QList<QPair<QByteArray, QByteArray>>;

// One request as the server received it. `target` is the request target exactly as
// sent on the wire (percent-encoding untouched), so tests can assert on encodings.
struct FakeHttpRequest {
    QByteArray method;
    QByteArray target;
    FakeHeaders headers;
    QByteArray body;
    int connection = 0; // serial number of the TCP connection that carried it

    QByteArray path() const;          // target up to '?' (raw)
    QByteArray query() const;         // raw text after '?', empty when none
    bool hasQuery() const { return target.contains('?'); }
    // First header with this name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
    QString line() const { return QString::fromLatin1(method + ' ' + target); }
};

struct FakeHttpResponse {
    int status = 200;
    FakeHeaders headers;
    QByteArray body;
    int delayMs = 0;          // wait before answering (runs on the event loop, never blocks)
    bool noReply = false;     // keep the connection open and never answer (timeouts)
    bool hangUp = false;      // close the connection without an answer
    int dripMs = 0;           // > 0: send the head, then `body` again every dripMs, without end
    std::optional<QByteArray> raw; // send these bytes verbatim instead of a built response

    static FakeHttpResponse json(int status, const QByteArray& body);
    static FakeHttpResponse text(int status, const QByteArray& body);
    // A 200 reply whose body never ends: `chunk` every `intervalMs` until the client leaves.
    static FakeHttpResponse endless(const QByteArray& chunk, int intervalMs);
    FakeHttpResponse& header(const QByteArray& name, const QByteArray& value)
    {
        headers.append(qMakePair(name, value));
        return *this;
    }
    FakeHttpResponse& after(int ms)
    {
        delayMs = ms;
        return *this;
    }
};

using FakeHttpHandler = std::function<FakeHttpResponse(const FakeHttpRequest&)>;

// An HTTP/1.1 server on 127.0.0.1 with a free port, answering from a route table.
// It runs on the thread that creates it (normally the test's main thread), so it serves
// while a test waits in QCoro::waitFor. Unmatched requests get 404.
class FakeHttpServer : public QObject {
    Q_OBJECT
public:
    // Listens on a free port; aborts when loopback cannot be listened on.
    explicit FakeHttpServer(QObject* parent = nullptr);
    // Listens on `port` (0: a free one); `listening()` and `errorString()` tell how it went.
    struct Port {
        quint16 number = 0;
    };
    explicit FakeHttpServer(Port port, QObject* parent = nullptr);
    ~FakeHttpServer() override;

    bool listening() const;
    QString errorString() const;

    quint16 port() const;
    // "http://127.0.0.1:<port>"
    QUrl baseUrl() const;
    // baseUrl with a raw path and query appended as given (no re-encoding).
    QUrl url(const QByteArray& rawPathAndQuery) const;

    // Routes match on the method and the raw path (as sent, percent-encoding included).
    // Without a query the route matches any query; with one it must equal the raw query.
    // The most recently added matching route wins, so a test can override a default.
    void route(const QByteArray& method, const QByteArray& path, FakeHttpResponse response);
    void route(const QByteArray& method, const QByteArray& path, FakeHttpHandler handler);
    void route(const QByteArray& method, const QByteArray& path, const QByteArray& query,
               FakeHttpResponse response);
    void route(const QByteArray& method, const QByteArray& path, const QByteArray& query,
               FakeHttpHandler handler);
    // A handler consulted for every request before the table; returning nullopt falls through.
    void setFallback(std::function<std::optional<FakeHttpResponse>(const FakeHttpRequest&)> f);
    void clearRoutes();

    // Every request in arrival order.
    const std::vector<FakeHttpRequest>& journal() const { return journal_; }
    std::vector<FakeHttpRequest> requests(const QByteArray& method, const QByteArray& path) const;
    int count(const QByteArray& method, const QByteArray& path) const;
    // "METHOD target" lines in order, handy for asserting a whole exchange.
    QStringList lines() const;
    void clearJournal() { journal_.clear(); }
    // A long-running server keeps no journal (it would hold every upload).
    void setKeepsJournal(bool keeps) { keepsJournal_ = keeps; }
    int connectionCount() const { return connectionSerial_; }

signals:
    void requestReceived(const vantry::test::FakeHttpRequest& request);

private:
    struct Route {
        QByteArray method;
        QByteArray path;
        std::optional<QByteArray> query;
        FakeHttpHandler handler;
    };
    struct Connection {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        bool busy = false; // answering a request; later ones wait (in-order replies)
        int serial = 0;
    };

    void onNewConnection();
    void processBuffer(QTcpSocket* socket);
    FakeHttpResponse answer(const FakeHttpRequest& request);
    void send(QTcpSocket* socket, const FakeHttpRequest& request, const FakeHttpResponse& response,
              bool close);

    QTcpServer* server_ = nullptr;
    std::vector<Route> routes_;
    std::function<std::optional<FakeHttpResponse>(const FakeHttpRequest&)> fallback_;
    std::vector<FakeHttpRequest> journal_;
    std::map<QTcpSocket*, Connection> connections_;
    int connectionSerial_ = 0;
    bool keepsJournal_ = true;
};

} // namespace vantry::test
