// The network line loop and interpreter, fed by a peer that may send anything.
#include "fuzz_input.h"
#include "net/net_host.h"
#include "net/net_interpreter.h"
#include "stick/stick_link.h"

#include <cstdlib>

namespace {

struct Host final : vs::NetHost {
    size_t sent = 0;
    void send(const std::string& text) override { sent += text.size(); }
    int state() const override { return 7; }
    std::string remoteHost() const override { return "peer"; }
    std::string remotePort() const override { return "5800"; }
    int networkMode() const override { return 2; }
    void print(const std::string&) override {}
    void holdMessage(int) override {}
    void deviceChanged() override {}
    void restart() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    vs::ManualClock clock;
    vs::StickLink link(clock, [&clock](int ms) { clock.advanceMs(ms); });
    link.Nymstick_AddEmulated(); // a local stick for "ls" and "trg" to list
    Host host;
    vs::NetInterpreter net(link, host, "version");
    // The text arrives in pieces, as a socket hands it over.
    while (!in.empty()) {
        const size_t piece = 1 + in.byte() % 200;
        net.receive(in.take(piece));
        if (net.nw_RxBuf.size() > vs::NetInterpreter::kMaxLine + 256)
            std::abort();
    }
    int network = 0;
    for (const vs::StickRecord& s : link.StickTable) {
        network += s.Interface == "NW" ? 1 : 0;
        if (s.nChannels < 0 || s.nChannels > vs::NetInterpreter::kMaxChannels + 5 ||
            static_cast<size_t>(s.nChannels) != s.Channels.size())
            std::abort();
    }
    if (network > vs::NetInterpreter::kMaxNetworkSticks)
        std::abort();
    return 0;
}
