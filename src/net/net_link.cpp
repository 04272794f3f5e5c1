#include "net/net_link.h"

#include "stick/stick_link.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace vs {

namespace {

constexpr int kConnectTries = 20;
constexpr int kTryMs = 100;
constexpr auto kPlotUpdateEvery = std::chrono::seconds(1);
// Received text read ahead of the line loop at most.
constexpr size_t kReadChunk = 64 * 1024;
// Slices run one after another where no event loop takes the rest later.
constexpr int kSlicesAtOnce = 1000;

// The port text as a port number, or 0 when it is none.
int portNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    long value = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && value <= 65535; ++i) {
        value = value * 10 + (text[i] - '0');
        digits = true;
    }
    return digits && value >= 1 && value <= 65535 ? static_cast<int>(value) : 0;
}

} // namespace

std::string networkVersionLine(const std::string& version, const std::string& stamp)
{
    const size_t paren = stamp.find('(');
    return "Nym USB server Version " + version + " svn:" + stamp.substr(0, paren);
}

NetLink::NetLink(StickLink& link, NetSocket& socket, WaitFn wait, std::string versionLine)
    : link_(link), socket_(socket), wait_(std::move(wait)), interpreter_(link, *this, std::move(versionLine))
{
    socket_.onData = [this] { Winsock1_DataArrival(); };
    socket_.onConnectionRequest = [this](int request) { Winsock1_ConnectionRequest(request); };
    socket_.onClosed = [this] { Winsock1_Close(); };
}

void NetLink::print(const std::string& text)
{
    if (face.print)
        face.print(text);
}

void NetLink::holdMessage(int redraws)
{
    if (face.holdMessage)
        face.holdMessage(redraws);
}

void NetLink::deviceChanged()
{
    // A peer's "updateplot" rebuilds the plot at most once per second: a
    // flood of them must not keep the program from sampling.
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const auto since = now - lastPlotUpdate_;
    if (since < kPlotUpdateEvery) {
        // One rebuild follows when the second is over (without an event
        // loop to run it, the early one is only dropped).
        if (!plotUpdateAsked_ && face.later) {
            plotUpdateAsked_ = true;
            face.later(static_cast<int>(duration_cast<milliseconds>(kPlotUpdateEvery - since).count()) + 1, [this] {
                plotUpdateAsked_ = false;
                deviceChanged();
            });
        }
        return;
    }
    lastPlotUpdate_ = now;
    if (face.deviceChanged)
        face.deviceChanged();
}

void NetLink::restart()
{
    Winsock1_Close();
    Open_Server_or_client();
}

void NetLink::report(const std::string& first, const std::string& error)
{
    const int state = socket_.state();
    print(first);
    print(error + ", WinSock.state=" + std::to_string(state) + " " + WsckErr2str(state) + "\n");
}

bool NetLink::tryOtherRole(bool& retried, int mode, const std::string& text)
{
    // One switch of role per start; after a second failure the report stays up longer.
    if (retried) {
        holdMessage(20);
        return false;
    }
    retried = true;
    settings.NetworkMode = mode;
    if (face.modeChanged)
        face.modeChanged();
    print(text);
    return true;
}

void NetLink::Open_Server_or_client()
{
    bool retry = false;
    for (;;) {
        if (socket_.state() != 0)
            Winsock1_Close();
        if (settings.NetworkMode == 2) {
            std::string error;
            const int port = portNumber(settings.localPort);
            if (port == 0)
                error = "The specified port is not supported.";
            else if (socket_.listen(port, error)) {
                print("Listening on " + socket_.localIp() + ":" + socket_.localPort() + "\n");
                holdMessage(3);
                return;
            }
            report("Error starting server at port " + settings.localPort + ": ", error);
            if (!tryOtherRole(retry, 1, "Starting as client\n"))
                return;
        } else if (settings.NetworkMode == 1) {
            print("Connecting to server " + settings.server + ":" + settings.remotePort + "\n");
            holdMessage(3);
            interpreter_.nw_WaitingPrompt = true;
            std::string error;
            if (socket_.connectTo(settings.server, settings.remotePort, error)) {
                for (int i = 0; i < kConnectTries && socket_.state() != 7; ++i)
                    wait_(kTryMs);
                if (socket_.state() == 7) {
                    nw_wait4prompt();
                    if (interpreter_.promptOverflow()) {
                        print("The server at " + settings.server + ":" + settings.remotePort + " sent " +
                              std::to_string(NetInterpreter::kMaxLine / 1024) +
                              " KiB without a prompt; closing the connection\n");
                        Winsock1_Close();
                        return;
                    }
                    interpreter_.clearReceived(); // the greeting, "Ready" and the first prompt
                    nw_Send("ls\n");
                    return;
                }
                error = socket_.errorText();
            }
            interpreter_.nw_WaitingPrompt = false;
            report("Error connecting to " + settings.server + ":" + settings.remotePort + ": ", error);
            if (!tryOtherRole(retry, 2, "Starting as server\n"))
                return;
        } else {
            return;
        }
    }
}

void NetLink::nw_wait4prompt()
{
    interpreter_.nw_WaitingPrompt = true;
    // The line loop clears the flag once "Nym>" is in the buffer.
    interpreter_.receive("");
    for (int i = 0; i < kConnectTries && interpreter_.nw_WaitingPrompt && !interpreter_.promptOverflow(); ++i)
        wait_(kTryMs);
    interpreter_.nw_WaitingPrompt = false;
}

void NetLink::Winsock1_Close()
{
    const std::string peer = socket_.remoteIp();
    if (!peer.empty()) {
        print("Closing connection for: " + peer + "\n");
        holdMessage(10);
    }
    interpreter_.sayUnshownMessages();
    const int noted = socket_.state();
    ++connection_;
    socket_.close();
    // The sticks known through the connection leave with it.
    if (interpreter_.closeNetworkSticks() > 0 && face.deviceChanged) {
        lastPlotUpdate_ = std::chrono::steady_clock::now();
        face.deviceChanged();
    }
    if (noted == 8 && settings.NetworkMode == 2)
        listenAgain();
}

void NetLink::listenAgain()
{
    if (settings.NetworkMode != 2 || socket_.state() != 0)
        return;
    const int port = portNumber(settings.localPort);
    if (port == 0)
        return;
    std::string error;
    if (socket_.listen(port, error)) {
        if (std::exchange(listenFailing_, false))
            print("Listening again on " + socket_.localIp() + ":" + socket_.localPort() + "\n");
        return;
    }
    // Said once; tried again until it works.
    if (!std::exchange(listenFailing_, true))
        print("Cannot listen again on port " + settings.localPort + ": " + error + "; trying again every " +
              std::to_string(listenRetryMs / 1000) + " s\n");
    if (face.later)
        face.later(listenRetryMs, [this] { listenAgain(); });
}

void NetLink::watchIdle(long connection)
{
    if (!face.later)
        return;
    using namespace std::chrono;
    const auto quiet = steady_clock::now() - lastHeard_;
    const auto left = duration_cast<milliseconds>(idleLimit - quiet).count();
    face.later(static_cast<int>(std::max<long long>(left, 0)) + 1, [this, connection] {
        if (connection != connection_ || socket_.state() != 7)
            return;
        if (steady_clock::now() - lastHeard_ < idleLimit) {
            watchIdle(connection);
            return;
        }
        const long mins = static_cast<long>(duration_cast<minutes>(idleLimit).count());
        print("Closing the connection of " + socket_.remoteIp() + ": it sent nothing for " +
              (mins >= 1 ? std::to_string(mins) + " minutes"
                            : std::to_string(duration_cast<seconds>(idleLimit).count()) + " s") +
              "\n");
        Winsock1_Close();
        listenAgain(); // the slot is free for the next peer
    });
}

void NetLink::Winsock1_ConnectionRequest(int request)
{
    if (socket_.state() != 0)
        Winsock1_Close();
    socket_.accept(request);
    lastHeard_ = std::chrono::steady_clock::now();
    watchIdle(++connection_);
    print("Accepted connection from: " + socket_.remoteIp() + "\n");
    holdMessage(3);
    interpreter_.sendGreeting();
    // Lines a peer sent at once (echo ver | nc host 5800) came before the
    // connection was taken: no further notice announces them.
    if (socket_.available() > 0)
        Winsock1_DataArrival();
}

void NetLink::Winsock1_DataArrival()
{
    lastHeard_ = std::chrono::steady_clock::now();
    // Lines run in slices between which the program samples; what the peer
    // sends meanwhile waits in the socket (and TCP holds the peer back).
    for (int slice = 0; slice < kSlicesAtOnce; ++slice) {
        const size_t room = interpreter_.pending() < kReadChunk ? kReadChunk - interpreter_.pending() : 0;
        const bool more = interpreter_.receive(room > 0 ? socket_.read(room) : std::string());
        if (!more && socket_.available() == 0)
            return;
        if (face.later) {
            if (!sliceAsked_) {
                sliceAsked_ = true;
                face.later(0, [this] {
                    sliceAsked_ = false;
                    Winsock1_DataArrival();
                });
            }
            return;
        }
    }
}

} // namespace vs
