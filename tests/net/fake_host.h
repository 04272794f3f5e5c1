#pragma once
// A network host over strings: what is sent is collected, the socket state
// and the peer's address are set by the test.
#include "net/net_host.h"

#include <string>
#include <vector>

namespace vstest {

struct FakeHost final : vs::NetHost {
    std::string sent;
    std::vector<std::string> printed;
    std::vector<int> holds;
    int socketState = 7;
    int mode = 2;
    int deviceChanges = 0;
    int restarts = 0;
    std::string host = "10.0.0.9";
    std::string port = "5800";

    void send(const std::string& text) override { sent += text; }
    int state() const override { return socketState; }
    std::string remoteHost() const override { return host; }
    std::string remotePort() const override { return port; }
    int networkMode() const override { return mode; }
    void print(const std::string& text) override { printed.push_back(text); }
    void holdMessage(int redraws) override { holds.push_back(redraws); }
    void deviceChanged() override { ++deviceChanges; }
    void restart() override { ++restarts; }
    std::string take()
    {
        std::string s;
        s.swap(sent);
        return s;
    }
};

} // namespace vstest
