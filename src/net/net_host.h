#pragma once
#include <string>

namespace vs {

// What the network interpreter and the connection need of their
// surroundings: the socket's state and addresses, sending, the status text
// over the plot, and the program's reactions. The window provides it over a
// real socket; tests provide it over a string.
class NetHost {
public:
    virtual ~NetHost() = default;
    // Writes text to the connection as it is (the caller checks the state).
    virtual void send(const std::string& text) = 0;
    // The socket's state 0..9; 7 is connected.
    virtual int state() const = 0;
    virtual std::string remoteHost() const = 0;
    virtual std::string remotePort() const = 0;
    // The selected role: 0 off, 1 client, 2 server.
    virtual int networkMode() const = 0;
    // A status line over the plot; a form feed alone clears the text.
    virtual void print(const std::string& text) = 0;
    // The number of plot redraws the status text stays (0 keeps it).
    virtual void holdMessage(int redraws) = 0;
    // The stick table changed: rebuild channels and plot.
    virtual void deviceChanged() = 0;
    // The peer said "bye": close, then start the chosen role again.
    virtual void restart() = 0;
};

} // namespace vs
