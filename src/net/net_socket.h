#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace vs {

// The one TCP socket of the network link, used both for listening and for
// the one connection, as the connection logic sees it. Its state is a small
// number: 0 closed, 1 open, 2 listening, 3 connection pending, 4 resolving
// host, 5 host resolved, 6 connecting, 7 connected, 8 the peer is closing,
// 9 error.
class NetSocket {
public:
    virtual ~NetSocket() = default;
    virtual int state() const = 0;
    // Listens on every interface; false with `error` set when it failed.
    virtual bool listen(int port, std::string& error) = 0;
    // Starts connecting; false with `error` set when it cannot even start.
    virtual bool connectTo(const std::string& host, const std::string& port, std::string& error) = 0;
    // Takes the pending connection request; the socket stops listening.
    virtual void accept(int request) = 0;
    virtual void send(const std::string& text) = 0;
    // Takes at most `maxBytes` of the received text.
    virtual std::string read(size_t maxBytes) = 0;
    // Received text not taken yet.
    virtual size_t available() const = 0;
    virtual void close() = 0;
    // The text of the last failure the socket layer reported.
    virtual std::string errorText() const = 0;
    virtual std::string localIp() const = 0;
    virtual std::string localPort() const = 0;
    virtual std::string remoteHost() const = 0;
    virtual std::string remotePort() const = 0;
    virtual std::string remoteIp() const = 0;

    // Events.
    std::function<void()> onData;
    std::function<void(int request)> onConnectionRequest;
    std::function<void()> onClosed;
};

// The texts of the socket's states, and of its error numbers; any other number gives "Unknown".
std::string WsckErr2str(int number);

} // namespace vs
