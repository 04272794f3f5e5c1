#include "publish/metrics_endpoint.h"

#include "publish/exposition.h"
#include "publish/metrics_settings.h"


#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace vs {

namespace {

QByteArray response(const QByteArray& status, const QByteArray& type, const QByteArray& body, bool withBody)
{
    QByteArray out = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    if (withBody)
        out += body;
    return out;
}

} // namespace

MetricsEndpoint::~MetricsEndpoint()
{
    server_.close();
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

std::unique_ptr<MetricsEndpoint> MetricsEndpoint::start(const std::string& listen, std::string& error)
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
    std::unique_ptr<MetricsEndpoint> endpoint(new MetricsEndpoint);
    if (!endpoint->server_.listen(address, static_cast<quint16>(port.toUInt()))) {
        error = "cannot listen on " + listen + ": " + endpoint->server_.errorString().toStdString();
        return nullptr;
    }
    MetricsEndpoint* e = endpoint.get();
    connect(&e->server_, &QTcpServer::newConnection, e, [e] { e->onNewConnection(); });
    e->sweep_.setInterval(500);
    connect(&e->sweep_, &QTimer::timeout, e, [e] { e->sweep(); });
    e->sweep_.start();
    return endpoint;
}

int MetricsEndpoint::port() const
{
    return server_.serverPort();
}

std::string MetricsEndpoint::where() const
{
    const QHostAddress a = server_.serverAddress();
    const QString host = a == QHostAddress::Any || a == QHostAddress::AnyIPv6 || a == QHostAddress::AnyIPv4 ? "*"
                         : a.protocol() == QAbstractSocket::IPv6Protocol                                        ? "[" + a.toString() + "]"
                                                                                                              : a.toString();
    return (host + ":" + QString::number(port())).toStdString();
}

void MetricsEndpoint::publish(std::vector<prometheus::MetricFamily> families)
{
    families_ = std::move(families);
    bodyStale_ = true;
}

const QByteArray& MetricsEndpoint::body()
{
    // Written out only when asked for, and once per pass.
    if (bodyStale_) {
        body_ = QByteArray::fromStdString(exposition(families_));
        bodyStale_ = false;
    }
    return body_;
}

void MetricsEndpoint::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (static_cast<int>(clients_.size()) >= kMaxConnections) {
            // The oldest client that has not asked yet makes room: idle and
            // slow connections never starve a scrape.
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

void MetricsEndpoint::onReadable(QTcpSocket* socket)
{
    const auto it = clients_.find(socket);
    if (it == clients_.end() || it->second.answered)
        return;
    Client& client = it->second;
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
        socket->write(response("431 Request Header Fields Too Large", "text/plain", "request head too large\n", true));
        socket->disconnectFromHost();
    }
}

void MetricsEndpoint::answer(QTcpSocket* socket, const QByteArray& head)
{
    Client& client = clients_[socket];
    client.answered = true;
    // The request line, with or without header lines after it.
    const qsizetype lineEnd = head.indexOf('\n');
    const QList<QByteArray> request = head.left(lineEnd < 0 ? head.size() : lineEnd).trimmed().split(' ');
    const QByteArray method = request.value(0);
    QByteArray path = request.value(1);
    path = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
    if (method != "GET" && method != "HEAD") {
        socket->write(response("405 Method Not Allowed", "text/plain", "GET or HEAD\n", true));
    } else if (path == "/") {
        static const QByteArray landing =
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Ventiscope</title></head>\n"
            "<body><h1>Ventiscope</h1><p>The sticks' readings for Prometheus: <a href=\"/metrics\">/metrics</a></p>"
            "</body></html>\n";
        socket->write(response("200 OK", "text/html; charset=utf-8", landing, method == "GET"));
    } else if (path != "/metrics") {
        socket->write(response("404 Not Found", "text/plain", "the metrics are at /metrics\n", method == "GET"));
    } else {
        ++answered_;
        socket->write(response("200 OK", "text/plain; version=0.0.4; charset=utf-8", body(), method == "GET"));
    }
    socket->disconnectFromHost();
}

void MetricsEndpoint::drop(QTcpSocket* socket)
{
    if (clients_.erase(socket) == 0)
        return;
    socket->disconnect(this);
    socket->abort();
    // Never inside one of its own signals: deleted from the event loop.
    socket->deleteLater();
}

void MetricsEndpoint::sweep()
{
    std::vector<QTcpSocket*> late;
    for (const auto& [socket, client] : clients_)
        if (client.deadline.hasExpired())
            late.push_back(socket);
    for (QTcpSocket* socket : late)
        drop(socket);
}

} // namespace vs
