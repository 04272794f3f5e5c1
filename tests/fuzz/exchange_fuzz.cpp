// The command exchange fed with input reports a hostile stick may send: text
// and binary replies, the configuration read, values and flags.
#include "../stick/script_transport.h"
#include "fuzz_input.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/report_io.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void checkRecord(const vs::StickLink& link)
{
    const vs::StickRecord* s = link.slot(0);
    if (!s)
        return;
    if (s->nChannels < 0 || static_cast<size_t>(s->nChannels) != s->Channels.size())
        std::abort();
    if (s->nKnobs < 0 || static_cast<size_t>(s->nKnobs) > s->Knobs.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    static const int lengths[] = {9, 33, 65};
    const int length = lengths[in.byte() % 3];
    const int protocol = in.byte() % 8;
    vs::ManualClock clock;
    vs::StickLink link(clock, [&clock](int ms) { clock.advanceMs(ms); });
    link.setDebugSink([](const std::string&) {});
    link.TraceLevel = 210; // the trace path escapes and dumps every report too
    const int slot = link.Nymstick_AddSlot("fuzz");
    // Each read takes one control byte: a multiple of 16 is a failed read (no
    // report queued), anything else is followed by one report's payload.
    auto device = std::make_shared<vstest::ScriptTransport>(length);
    device->onRead = [&in, length](uint8_t* buffer, size_t size, std::string& error) {
        if (in.empty() || in.byte() % 16 == 0) {
            error = "Resource temporarily unavailable";
            return 0;
        }
        const std::string payload = in.take(static_cast<size_t>(length) - 1);
        std::memset(buffer, 0, size);
        std::memcpy(buffer + 1, payload.data(), std::min(payload.size(), size - 1));
        return static_cast<int>(size);
    };
    vs::Nymstick_AttachDevice(link, slot, device, length, length, 9);
    link.slot(slot)->ProtocolVersion = static_cast<int16_t>(protocol);

    vs::Nymstick_GetConfig(link, slot);
    checkRecord(link);
    vs::StickDescription(link, slot);
    vs::Nymstick_ReadPV(link, slot);
    checkRecord(link);
    vs::Nymstick_ReadFlags(link, slot);
    std::vector<uint8_t> buffer;
    vs::nym_ask_short_bin(link, "LBR", slot, buffer, 1 + in.byte() % 4);
    vs::nym_ask(link, "*TRG", slot);
    if (link.Exchange.busy)
        std::abort(); // every exchange frees the link again
    return 0;
}
