// The network line loop and interpreter, fed by a peer that may send
// anything, that may break a line off after any number of bytes, and whose
// connection may end at any moment.
#include "../net/fake_host.h"
#include "fuzz_input.h"
#include "net/net_interpreter.h"
#include "stick/stick_link.h"

#include <cstdlib>

namespace {

void take(vs::NetInterpreter& net, const std::string& text)
{
    for (bool more = net.receive(text); more; more = net.receive(""))
        ;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    vs::ManualClock clock;
    vs::StickLink link(clock, [&clock](int ms) { clock.advanceMs(ms); });
    link.Nymstick_AddEmulated(); // a local stick for "ls" and "trg" to list
    vstest::FakeHost host;
    vs::NetInterpreter net(link, host, "version");
    while (!in.empty()) {
        const uint8_t op = in.byte();
        if (op < 8) {
            // The connection ends: its sticks close and stop counting.
            net.closeNetworkSticks();
        } else if (op < 16) {
            // An over-long line whose tail comes later must never run.
            take(net, std::string(vs::NetInterpreter::kMaxLine + in.byte(), 'x'));
            host.take();
            take(net, "ver\n");
            if (host.take().find("version") != std::string::npos)
                std::abort();
        } else {
            // The text arrives in pieces, as a socket hands it over.
            take(net, in.take(1 + op % 200));
        }
        if (net.pending() > vs::NetInterpreter::kMaxLine + 256)
            std::abort();
    }
    int network = 0, curves = 0;
    for (int i = 0; i < link.SlotsReserved; ++i) {
        const vs::StickRecord& s = *link.slot(i);
        if (s.nChannels < 0 || s.nChannels > vs::NetInterpreter::kMaxChannels ||
            static_cast<size_t>(s.nChannels) != s.Channels.size())
            std::abort();
        if (!link.Nymstick_isOpen(i))
            continue;
        network += s.Interface == "NW" ? 1 : 0;
        curves += s.nChannels;
    }
    if (network > vs::NetInterpreter::kMaxNetworkSticks || curves > vs::NetInterpreter::kMaxCurves)
        std::abort();
    return 0;
}
