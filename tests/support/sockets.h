#pragma once
// Loopback peers for tests: a free port, a close with a reset, one HTTP request.
#include "wait_for.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <sys/socket.h>

namespace vstest {

inline int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Closes with a reset, as a peer that vanishes does: what it sent is still
// on its way when the close arrives.
inline void resetClose(QTcpSocket& s)
{
    const linger now{1, 0};
    ::setsockopt(static_cast<int>(s.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    s.abort();
}

// One request over a real socket, run from this thread's event loop (which
// may also serve the other end); the whole reply, or what came before the guard.
inline QByteArray httpRequest(int port, const QByteArray& request, const QHostAddress& host = QHostAddress::LocalHost)
{
    QByteArray reply;
    bool closed = false;
    QTcpSocket s; // goes first: its last signals find the rest still there
    QObject::connect(&s, &QTcpSocket::connected, [&] { s.write(request); });
    QObject::connect(&s, &QTcpSocket::readyRead, [&] { reply += s.readAll(); });
    QObject::connect(&s, &QTcpSocket::disconnected, [&] { closed = true; });
    QObject::connect(&s, &QTcpSocket::errorOccurred, [&] { closed = true; });
    s.connectToHost(host, static_cast<quint16>(port));
    waitFor([&] { return closed; });
    return reply + s.readAll();
}

inline QByteArray httpGet(int port, const QByteArray& path = "/metrics", const QByteArray& method = "GET")
{
    return httpRequest(port, method + " " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
}

// The body of a "200 OK" reply; empty for anything else.
inline QByteArray okBody(const QByteArray& reply)
{
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return reply.startsWith("HTTP/1.1 200") && body >= 0 ? reply.mid(body + 4) : QByteArray();
}

} // namespace vstest
