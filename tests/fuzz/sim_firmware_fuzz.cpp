// The simulated stick's command and variable parser ("KNOBSET name=value",
// "FLAGSET", "LBR", record selection) and the list of simulated sticks.
#include "common/clock.h"
#include "fuzz_input.h"
#include "stick/sim_firmware.h"
#include "stick/simulate_env.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    vs::ManualClock clock;
    const int protocol = in.byte() % 8;
    static const int lengths[] = {9, 33, 65};
    vs::SimFirmware firmware(protocol, 0, lengths[in.byte() % 3], clock, 7);
    // Commands are lines; each gets a text and a binary reply.
    const std::string text = in.rest();
    size_t start = 0;
    for (int n = 0; n < 64 && start <= text.size(); ++n) {
        const size_t end = text.find('\n', start);
        const std::string command = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string reply = firmware.textReply(command);
        if (reply.empty() || reply.back() != '\n')
            std::abort(); // every text reply ends with its line feed
        firmware.binaryReply(command);
        clock.advanceMs(100);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const vs::SimParse parsed = vs::parseSimulateSpec(text);
    for (const vs::SimSpec& s : parsed.specs)
        if (s.inputReportLength != 9 && s.inputReportLength != 33 && s.inputReportLength != 65)
            std::abort();
    return 0;
}
