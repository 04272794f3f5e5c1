#pragma once
#include "net/net_socket.h"

#include <QObject>
#include <QPointer>

#include <map>

class QTcpServer;
class QTcpSocket;

namespace vs {

// The network link's socket on Qt Network: a QTcpServer while listening and
// one QTcpSocket for the connection, reporting the link's states 0..9.
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
    std::string readAll() override;
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

    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> socket_;
    std::map<int, QPointer<QTcpSocket>> pending_;
    int nextRequest_ = 1;
    bool peerClosed_ = false;
    bool failed_ = false;
    std::string error_;
};

} // namespace vs
