#include "net/qt_net_socket.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace vs {

namespace {

constexpr qint64 kReadAhead = 64 * 1024;

// IPv4 peers of a dual-stack server come as "::ffff:a.b.c.d"; the link names them "a.b.c.d".
std::string addressText(const QHostAddress& address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return (v4 ? QHostAddress(ip) : address).toString().toStdString();
}

} // namespace

QtNetSocket::QtNetSocket(QObject* parent) : QObject(parent) {}

QtNetSocket::~QtNetSocket()
{
    for (auto& [id, s] : pending_)
        delete s.data();
    for (const QPointer<QObject>& o : graveyard_)
        delete o.data();
}

template <class F>
void QtNetSocket::inHandler(F&& f)
{
    ++handlers_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{handlers_};
    f();
}

void QtNetSocket::bury(QObject* object)
{
    object->disconnect(this);
    graveyard_.emplace_back(object);
    if (!sweepAsked_) {
        sweepAsked_ = true;
        QTimer::singleShot(0, this, [this] { emptyGraveyard(); });
    }
}

void QtNetSocket::emptyGraveyard()
{
    // Still inside a handler (its events run in a nested loop): later.
    if (handlers_ > 0) {
        QTimer::singleShot(10, this, [this] { emptyGraveyard(); });
        return;
    }
    sweepAsked_ = false;
    std::vector<QPointer<QObject>> dead;
    dead.swap(graveyard_);
    for (const QPointer<QObject>& o : dead)
        delete o.data();
}

int QtNetSocket::state() const
{
    if (server_ && server_->isListening())
        return 2;
    if (!socket_)
        return failed_ ? 9 : 0;
    if (peerClosed_)
        return 8;
    switch (socket_->state()) {
    case QAbstractSocket::UnconnectedState:
        return failed_ ? 9 : 0;
    case QAbstractSocket::HostLookupState:
        return 4;
    case QAbstractSocket::ConnectingState:
        return 6;
    case QAbstractSocket::ConnectedState:
        return 7;
    case QAbstractSocket::BoundState:
        return 1;
    case QAbstractSocket::ListeningState:
        return 2;
    case QAbstractSocket::ClosingState:
        return 8;
    }
    return 0;
}

bool QtNetSocket::listen(int port, std::string& error)
{
    close();
    server_ = new QTcpServer(this);
    connect(server_, &QTcpServer::newConnection, this, [this] { inHandler([this] { onNewConnection(); }); });
    if (server_->listen(QHostAddress::Any, static_cast<quint16>(port)))
        return true;
    // Nothing is left open: the state stays "closed".
    error = error_ = server_->errorString().toStdString();
    bury(server_);
    server_ = nullptr;
    return false;
}

void QtNetSocket::onNewConnection()
{
    while (QTcpSocket* s = server_ ? server_->nextPendingConnection() : nullptr) {
        // Taken from the server at once: closing the server would drop it.
        s->setParent(this);
        const int request = nextRequest_++;
        pending_[request] = s;
        if (onConnectionRequest)
            onConnectionRequest(request);
        // A request that was not accepted is refused.
        if (auto it = pending_.find(request); it != pending_.end()) {
            if (it->second) {
                it->second->abort();
                bury(it->second.data());
            }
            pending_.erase(it);
        }
    }
}

void QtNetSocket::accept(int request)
{
    const auto it = pending_.find(request);
    if (it == pending_.end() || !it->second)
        return;
    QTcpSocket* s = it->second;
    pending_.erase(it);
    close();
    adopt(s);
}

void QtNetSocket::adopt(QTcpSocket* s)
{
    socket_ = s;
    peerClosed_ = failed_ = false;
    error_.clear();
    // Qt reads no more than this ahead of the program: a flooding peer is
    // held back by TCP itself.
    s->setReadBufferSize(kReadAhead);
    connect(s, &QTcpSocket::readyRead, this, [this] {
        inHandler([this] {
            if (onData)
                onData();
        });
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        inHandler([this, s] {
            if (s != socket_ || peerClosed_)
                return;
            peerClosed_ = true;
            if (onClosed)
                onClosed();
        });
    });
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError e) {
        if (s != socket_)
            return;
        error_ = s->errorString().toStdString();
        // The peer closing is a close, not a failure.
        if (e != QAbstractSocket::RemoteHostClosedError)
            failed_ = true;
    });
}

bool QtNetSocket::connectTo(const std::string& host, const std::string& port, std::string& error)
{
    close();
    bool ok = false;
    const uint number = QString::fromStdString(port).trimmed().toUInt(&ok);
    if (!ok || number == 0 || number > 65535) {
        error = error_ = "The specified port is not supported.";
        failed_ = true;
        return false;
    }
    auto* s = new QTcpSocket(this);
    adopt(s);
    s->connectToHost(QString::fromStdString(host), static_cast<quint16>(number));
    return true;
}

void QtNetSocket::send(const std::string& text)
{
    // A peer that sends commands but never reads the replies must not make
    // them pile up here without bound: beyond this, replies are dropped.
    constexpr qint64 kMaxUnsent = 4 << 20;
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState && socket_->bytesToWrite() < kMaxUnsent)
        socket_->write(text.data(), static_cast<qint64>(text.size()));
}

std::string QtNetSocket::read(size_t maxBytes)
{
    if (!socket_)
        return {};
    const QByteArray bytes = socket_->read(static_cast<qint64>(maxBytes));
    return bytes.toStdString();
}

size_t QtNetSocket::available() const
{
    return socket_ ? static_cast<size_t>(socket_->bytesAvailable()) : 0;
}

void QtNetSocket::close()
{
    if (server_) {
        server_->close();
        bury(server_);
        server_ = nullptr;
    }
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        bury(s);
    }
    peerClosed_ = failed_ = false;
}

std::string QtNetSocket::localIp() const
{
    if (socket_)
        return addressText(socket_->localAddress());
    if (server_) {
        // Listening on every interface: the address others reach is the host's own.
        const QHostAddress a = server_->serverAddress();
        return a == QHostAddress::Any || a == QHostAddress::AnyIPv4 ? "0.0.0.0" : addressText(a);
    }
    return "0.0.0.0";
}

std::string QtNetSocket::localPort() const
{
    if (server_)
        return std::to_string(server_->serverPort());
    return socket_ ? std::to_string(socket_->localPort()) : "0";
}

std::string QtNetSocket::remoteHost() const
{
    if (!socket_)
        return "";
    const QString name = socket_->peerName();
    return name.isEmpty() ? addressText(socket_->peerAddress()) : name.toStdString();
}

std::string QtNetSocket::remotePort() const
{
    return socket_ ? std::to_string(socket_->peerPort()) : "0";
}

std::string QtNetSocket::remoteIp() const
{
    return socket_ ? addressText(socket_->peerAddress()) : "0.0.0.0";
}

} // namespace vs
