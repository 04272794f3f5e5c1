#pragma once
#include "common/wait.h"
#include "net/net_host.h"
#include "net/net_interpreter.h"
#include "net/net_socket.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vs {

class StickLink;

// The network role and its addresses, as the settings dialog edits them.
struct NetSettings {
    int NetworkMode = 0; // 0 off, 1 client, 2 server
    std::string localPort = "5800";
    std::vector<std::string> servers{"127.0.0.1"};
    std::string server = "127.0.0.1";
    std::string remotePort = "5800"; // not stored
};

// The network link: starts the chosen role (with one fallback to the other
// role), accepts and closes connections, hands received text to the
// interpreter, and reports all of it as status lines. Holds no widget: the
// window (or a service) gives it the status text, the device-change reaction
// and the wait that keeps the program alive.
class NetLink : private NetHost {
public:
    struct Face {
        std::function<void(const std::string&)> print;
        std::function<void(int)> holdMessage;
        std::function<void()> deviceChanged;
        std::function<void()> modeChanged; // the fallback selected the other role
        // Runs `f` from the event loop after `ms` (the rest of a flood, a
        // held-back "updateplot"); without it, at once.
        std::function<void(int ms, std::function<void()> f)> later;
    };

    NetLink(StickLink& link, NetSocket& socket, WaitFn wait, std::string versionLine);

    NetSettings settings;
    Face face;
    // A peer that sends nothing for this long is closed (it holds the only slot).
    std::chrono::milliseconds idleLimit{std::chrono::minutes(10)};
    // A server whose return to listening failed tries again after this.
    int listenRetryMs = 5000;

    void Open_Server_or_client();
    void nw_wait4prompt();
    void Winsock1_Close();
    void nw_Send(const std::string& text) { interpreter_.nw_Send(text); }
    // The sampling pass asks the server for readings of its network sticks.
    void sendTrigger() { nw_Send("trg\n"); }
    int state() const override { return socket_.state(); }
    NetInterpreter& interpreter() { return interpreter_; }

private:
    void Winsock1_ConnectionRequest(int request);
    void Winsock1_DataArrival();
    void report(const std::string& first, const std::string& error);
    // After a failed start: switches to the other role once; false when that was done already.
    bool tryOtherRole(bool& retried, int mode, const std::string& text);
    void watchIdle(long connection);
    void listenAgain();

    // NetHost
    void send(const std::string& text) override { socket_.send(text); }
    std::string remoteHost() const override { return socket_.remoteHost(); }
    std::string remotePort() const override { return socket_.remotePort(); }
    int networkMode() const override { return settings.NetworkMode; }
    void print(const std::string& text) override;
    void holdMessage(int redraws) override;
    void deviceChanged() override;
    void restart() override;

    StickLink& link_;
    NetSocket& socket_;
    WaitFn wait_;
    NetInterpreter interpreter_;
    // A slice of received lines is waiting to run.
    bool sliceAsked_ = false;
    // "updateplot" runs at most once per second; one asked sooner waits.
    std::chrono::steady_clock::time_point lastPlotUpdate_{};
    bool plotUpdateAsked_ = false;
    // The accepted connection (counted) and when its peer last sent anything.
    long connection_ = 0;
    std::chrono::steady_clock::time_point lastHeard_{};
    bool listenFailing_ = false;
};

// "Nym USB server Version 2.41.0 svn:" + the source stamp cut before its first "(".
std::string networkVersionLine(const std::string& version, const std::string& stamp);

} // namespace vs
