#include "support/FakeHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace vantry::test {

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 422: return "Unprocessable Entity";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool hasHeaderIn(const FakeHeaders& headers, const QByteArray& name)
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QByteArray FakeHttpRequest::path() const
{
    const int q = target.indexOf('?');
    return q < 0 ? target : target.left(q);
}

QByteArray FakeHttpRequest::query() const
{
    const int q = target.indexOf('?');
    return q < 0 ? QByteArray() : target.mid(q + 1);
}

QByteArray FakeHttpRequest::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

bool FakeHttpRequest::hasHeader(const QByteArray& name) const
{
    return hasHeaderIn(headers, name);
}

FakeHttpResponse FakeHttpResponse::json(int status, const QByteArray& body)
{
    FakeHttpResponse r;
    r.status = status;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    return r;
}

FakeHttpResponse FakeHttpResponse::text(int status, const QByteArray& body)
{
    FakeHttpResponse r;
    r.status = status;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/plain")));
    return r;
}

FakeHttpResponse FakeHttpResponse::endless(const QByteArray& chunk, int intervalMs)
{
    FakeHttpResponse r = json(200, chunk);
    r.dripMs = std::max(1, intervalMs);
    return r;
}

FakeHttpServer::FakeHttpServer(QObject* parent)
    : FakeHttpServer(Port{}, parent)
{
    if (!listening())
        qFatal("FakeHttpServer: cannot listen on 127.0.0.1: %s", qPrintable(errorString()));
}

FakeHttpServer::FakeHttpServer(Port port, QObject* parent)
    : QObject(parent)
    , server_(new QTcpServer(this))
{
    if (server_->listen(QHostAddress::LocalHost, port.number))
        connect(server_, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
}

bool FakeHttpServer::listening() const
{
    return server_->isListening();
}

QString FakeHttpServer::errorString() const
{
    return server_->errorString();
}

FakeHttpServer::~FakeHttpServer()
{
    for (auto& [socket, conn] : connections_)
        if (conn.socket)
            conn.socket->disconnect(this);
}

quint16 FakeHttpServer::port() const
{
    return server_->serverPort();
}

QUrl FakeHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

QUrl FakeHttpServer::url(const QByteArray& rawPathAndQuery) const
{
    return QUrl::fromEncoded(baseUrl().toEncoded() + rawPathAndQuery, QUrl::StrictMode);
}

void FakeHttpServer::route(const QByteArray& method, const QByteArray& path, FakeHttpResponse response)
{
    route(method, path, [response](const FakeHttpRequest&) { return response; });
}

void FakeHttpServer::route(const QByteArray& method, const QByteArray& path, FakeHttpHandler handler)
{
    routes_.push_back({method, path, std::nullopt, std::move(handler)});
}

void FakeHttpServer::route(const QByteArray& method, const QByteArray& path, const QByteArray& query,
                           FakeHttpResponse response)
{
    route(method, path, query, [response](const FakeHttpRequest&) { return response; });
}

void FakeHttpServer::route(const QByteArray& method, const QByteArray& path, const QByteArray& query,
                           FakeHttpHandler handler)
{
    routes_.push_back({method, path, query, std::move(handler)});
}

void FakeHttpServer::setFallback(std::function<std::optional<FakeHttpResponse>(const FakeHttpRequest&)> f)
{
    fallback_ = std::move(f);
}

void FakeHttpServer::clearRoutes()
{
    routes_.clear();
    fallback_ = nullptr;
}

std::vector<FakeHttpRequest> FakeHttpServer::requests(const QByteArray& method, const QByteArray& path) const
{
    std::vector<FakeHttpRequest> out;
    for (const auto& r : journal_)
        if (r.method == method && r.path() == path)
            out.push_back(r);
    return out;
}

int FakeHttpServer::count(const QByteArray& method, const QByteArray& path) const
{
    return int(requests(method, path).size());
}

QStringList FakeHttpServer::lines() const
{
    QStringList out;
    for (const auto& r : journal_)
        out << r.line();
    return out;
}

void FakeHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        Connection conn;
        conn.socket = socket;
        conn.serial = ++connectionSerial_;
        connections_[socket] = conn;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { processBuffer(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            connections_.erase(socket);
            socket->deleteLater();
        });
    }
}

void FakeHttpServer::processBuffer(QTcpSocket* socket)
{
    auto it = connections_.find(socket);
    if (it == connections_.end())
        return;
    Connection& conn = it->second;
    conn.buffer += socket->readAll();
    if (conn.busy)
        return;

    const int headerEnd = conn.buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> lines = conn.buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3) {
        socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    FakeHttpRequest request;
    request.method = requestLine[0];
    request.target = requestLine[1];
    request.connection = conn.serial;
    const QByteArray version = requestLine[2];
    qsizetype contentLength = 0;
    for (int i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        // Only the leading blanks go: tests can see a value's trailing blank exactly as sent.
        QByteArray value = line.mid(colon + 1);
        while (value.startsWith(' ') || value.startsWith('\t'))
            value.remove(0, 1);
        request.headers.append(qMakePair(name, value));
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    if (request.header("Transfer-Encoding").toLower().contains("chunked")) {
        // Our clients always send a length; say so plainly if one does not.
        socket->write("HTTP/1.1 411 Length Required\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    const qsizetype total = headerEnd + 4 + contentLength;
    if (conn.buffer.size() < total)
        return;
    request.body = conn.buffer.mid(headerEnd + 4, contentLength);
    conn.buffer.remove(0, total);

    const QByteArray connectionHeader = request.header("Connection").toLower();
    const bool close = connectionHeader.contains("close")
        || (version == "HTTP/1.0" && !connectionHeader.contains("keep-alive"));

    if (keepsJournal_)
        journal_.push_back(request);
    emit requestReceived(request);
    const FakeHttpResponse response = answer(request);

    conn.busy = true;
    QPointer<QTcpSocket> guard(socket);
    auto finish = [this, guard, request, response, close] {
        if (!guard)
            return;
        send(guard, request, response, close);
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, this, finish);
    else
        finish();
}

FakeHttpResponse FakeHttpServer::answer(const FakeHttpRequest& request)
{
    if (fallback_)
        if (auto r = fallback_(request))
            return *r;
    const QByteArray path = request.path();
    const QByteArray query = request.query();
    for (auto it = routes_.rbegin(); it != routes_.rend(); ++it) {
        if (it->method != request.method || it->path != path)
            continue;
        if (it->query && *it->query != query)
            continue;
        return it->handler(request);
    }
    return FakeHttpResponse::text(404, "no route for " + request.method + ' ' + request.target);
}

void FakeHttpServer::send(QTcpSocket* socket, const FakeHttpRequest& request,
                          const FakeHttpResponse& response, bool close)
{
    if (response.noReply)
        return; // the connection stays busy: the client has to time out
    if (response.hangUp) {
        socket->abort();
        return;
    }
    if (response.raw) {
        socket->write(*response.raw);
        socket->flush();
        socket->disconnectFromHost();
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\n";
    for (const auto& h : response.headers)
        out += h.first + ": " + h.second + "\r\n";
    if (response.dripMs > 0) {
        // No length: the body runs until the connection closes, which only the client does.
        socket->write(out + "Connection: close\r\n\r\n");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket, chunk = response.body] {
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->write(chunk);
        });
        timer->start(response.dripMs);
        return;
    }
    if (!hasHeaderIn(response.headers, "Content-Length"))
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += close ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    out += "\r\n";
    if (request.method != "HEAD")
        out += response.body;
    socket->write(out);
    if (close) {
        socket->disconnectFromHost();
        return;
    }
    auto it = connections_.find(socket);
    if (it == connections_.end())
        return;
    it->second.busy = false;
    if (!it->second.buffer.isEmpty())
        processBuffer(socket); // a pipelined request was waiting
}

} // namespace vantry::test
