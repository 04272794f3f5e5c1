#pragma once
#include "net/net_socket.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace vs {

// The network link's socket on Qt Network: a QTcpServer while listening and
// one QTcpSocket for the connection, reporting the link's states 0..9.
//
// A closed socket or server is never deleted while one of its signals is
// being delivered (the handler may close it, and the program runs its events
// inside handlers): it goes to a graveyard that is emptied only when no
// handler of this object is running.
class QtNetSocket final : public QObject, public NetSocket {
    Q_OBJECT
public:
    explicit QtNetSocket(QObject* parent = nullptr);
    ~QtNetSocket() override;

    int state() const override;
    bool listen(int port, std::string& error) override;
    bool connectTo(const std::string& host, const std::string& port, std::string& error) override;
    void accept(int request) override;
    void send(const std::string& text) override;
    std::string read(size_t maxBytes) override;
    size_t available() const override;
    void close() override;
    std::string errorText() const override { return error_; }
    std::string localIp() const override;
    std::string localPort() const override;
    std::string remoteHost() const override;
    std::string remotePort() const override;
    std::string remoteIp() const override;

private:
    void adopt(QTcpSocket* socket);
    void onNewConnection();
    // Retires an object: disconnected now, deleted once no handler runs.
    void bury(QObject* object);
    void emptyGraveyard();
    // Runs a handler with the graveyard kept shut.
    template <class F>
    void inHandler(F&& f);

    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> socket_;
    std::map<int, QPointer<QTcpSocket>> pending_;
    int nextRequest_ = 1;
    bool peerClosed_ = false;
    bool failed_ = false;
    std::string error_;
    int handlers_ = 0;
    std::vector<QPointer<QObject>> graveyard_;
    bool sweepAsked_ = false;
};

} // namespace vs
