#include "publish/http_listener.h"

#include "publish/metrics_settings.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrlQuery>

#include <algorithm>

namespace vs {

QByteArray HttpRequest::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QString HttpRequest::parameter(const QString& name) const
{
    return QUrlQuery(QString::fromUtf8(query)).queryItemValue(name, QUrl::FullyDecoded);
}

QByteArray httpResponse(const HttpReply& reply, bool withBody)
{
    QByteArray out = "HTTP/1.1 " + reply.status + "\r\nContent-Type: " + reply.type + "\r\n";
    for (const auto& [name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    if (reply.stream)
        return out + "Cache-Control: no-store\r\nConnection: keep-alive\r\n\r\n" + (withBody ? reply.body : QByteArray());
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (withBody)
        out += reply.body;
    return out;
}

HttpListener::~HttpListener()
{
    server_.close();
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

std::unique_ptr<HttpListener> HttpListener::start(const std::string& listen, Handler handler, std::string& error)
{
    const std::optional<std::string> option = listenOption(listen, error);
    if (!option)
        return nullptr;
    QString host;
    QString port = QString::fromStdString(*option);
    if (const int colon = port.lastIndexOf(':'); colon >= 0) {
        host = port.left(colon);
        port = port.mid(colon + 1);
        if (host.startsWith('[') && host.endsWith(']'))
            host = host.mid(1, host.size() - 2);
    }
    const QHostAddress address = host.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(host);
    std::unique_ptr<HttpListener> listener(new HttpListener);
    if (!listener->server_.listen(address, static_cast<quint16>(port.toUInt()))) {
        error = "cannot listen on " + listen + ": " + listener->server_.errorString().toStdString();
        return nullptr;
    }
    HttpListener* l = listener.get();
    l->handler_ = std::move(handler);
    connect(&l->server_, &QTcpServer::newConnection, l, [l] { l->onNewConnection(); });
    l->sweep_.setInterval(500);
    connect(&l->sweep_, &QTimer::timeout, l, [l] { l->sweep(); });
    l->sweep_.start();
    return listener;
}

int HttpListener::port() const
{
    return server_.serverPort();
}

std::string HttpListener::where() const
{
    const QHostAddress a = server_.serverAddress();
    const QString host = a == QHostAddress::Any || a == QHostAddress::AnyIPv6 || a == QHostAddress::AnyIPv4 ? "*"
                         : a.protocol() == QAbstractSocket::IPv6Protocol ? "[" + a.toString() + "]"
                                                                         : a.toString();
    return (host + ":" + QString::number(port())).toStdString();
}

int HttpListener::push(const QByteArray& bytes)
{
    int took = 0;
    for (QTcpSocket* socket : std::vector<QTcpSocket*>(streams_)) {
        // A reader that does not read is let go, not buffered for.
        if (socket->bytesToWrite() + bytes.size() > kMaxUnsent) {
            drop(socket);
            continue;
        }
        socket->write(bytes);
        ++took;
    }
    return took;
}

void HttpListener::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (static_cast<int>(clients_.size()) >= kMaxConnections) {
            // The oldest client that has not asked yet makes room: idle and
            // slow connections never starve an answer.
            auto oldest = clients_.end();
            for (auto it = clients_.begin(); it != clients_.end(); ++it)
                if (!it->second.answered && (oldest == clients_.end() || it->second.order < oldest->second.order))
                    oldest = it;
            if (oldest != clients_.end())
                drop(oldest->first);
        }
        clients_[socket] = Client{{}, QDeadlineTimer(kRequestMs), false, ++accepted_};
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        onReadable(socket);
    }
}

void HttpListener::onReadable(QTcpSocket* socket)
{
    const auto it = clients_.find(socket);
    if (it == clients_.end())
        return;
    Client& client = it->second;
    if (client.answered) {
        socket->readAll(); // a stream's reader has nothing more to say
        return;
    }
    client.head += socket->read(kMaxHead + 1 - client.head.size());
    // The head ends with an empty line (CRLF, or a bare LF from a hand-typed request).
    qsizetype end = client.head.indexOf("\r\n\r\n");
    if (const qsizetype bare = client.head.indexOf("\n\n"); bare >= 0 && (end < 0 || bare < end))
        end = bare;
    if (end >= 0) {
        answer(socket, client.head.left(end));
        return;
    }
    if (client.head.size() > kMaxHead) {
        client.answered = true;
        HttpReply tooLarge{"431 Request Header Fields Too Large", "text/plain", "request head too large\n"};
        socket->write(httpResponse(tooLarge, true));
        socket->disconnectFromHost();
    }
}

void HttpListener::answer(QTcpSocket* socket, const QByteArray& head)
{
    Client& client = clients_[socket];
    client.answered = true;
    // The request line, with or without header lines after it.
    const qsizetype lineEnd = head.indexOf('\n');
    const QList<QByteArray> line = head.left(lineEnd < 0 ? head.size() : lineEnd).trimmed().split(' ');
    HttpRequest request;
    request.method = line.value(0);
    const QByteArray target = line.value(1);
    const qsizetype q = target.indexOf('?');
    request.path = q < 0 ? target : target.left(q);
    request.query = q < 0 ? QByteArray() : target.mid(q + 1);
    request.head = lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 1);
    const bool head_only = request.method == "HEAD";
    if (request.method != "GET" && !head_only) {
        socket->write(httpResponse({"405 Method Not Allowed", "text/plain", "GET or HEAD\n", {{"Allow", "GET, HEAD"}}}, true));
        socket->disconnectFromHost();
        return;
    }
    const HttpReply reply = handler_(request);
    ++answered_;
    socket->write(httpResponse(reply, !head_only));
    if (!reply.stream || head_only) {
        socket->disconnectFromHost();
        return;
    }
    if (static_cast<int>(streams_.size()) >= kMaxStreams)
        drop(streams_.front());
    streams_.push_back(socket);
}

void HttpListener::drop(QTcpSocket* socket)
{
    if (clients_.erase(socket) == 0)
        return;
    streams_.erase(std::remove(streams_.begin(), streams_.end(), socket), streams_.end());
    socket->disconnect(this);
    socket->abort();
    // Never inside one of its own signals: deleted from the event loop.
    socket->deleteLater();
}

void HttpListener::sweep()
{
    std::vector<QTcpSocket*> late;
    // A stream lives on; any other connection is gone after kRequestMs,
    // also one whose reader never takes its answer.
    for (const auto& [socket, client] : clients_)
        if (client.deadline.hasExpired() && std::find(streams_.begin(), streams_.end(), socket) == streams_.end())
            late.push_back(socket);
    for (QTcpSocket* socket : late)
        drop(socket);
}

} // namespace vs
