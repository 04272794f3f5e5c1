#pragma once
#include "common/clock.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vs {

class StickLink;
class SimulatedStick;

// One simulated stick: its protocol generation and input report length,
// and every how many reports of its binary replies it loses one (0: none).
struct SimSpec {
    int protocol = 0;
    int inputReportLength = 9;
    int loseEvery = 0;
};

struct SimParse {
    std::vector<SimSpec> specs;
    std::vector<std::string> errors; // one text per entry that was ignored
};

// Reads a comma-separated list of protocol generations, each optionally
// followed by "/" and the input report length (9, 33 or 65) and by "~" and
// a number n for a stick that loses every n-th report of its binary replies:
// "5,1/33,3~50".
SimParse parseSimulateSpec(std::string_view text);

// Opens one simulated stick for each entry in a new slot, like sticks found on USB.
std::vector<std::shared_ptr<SimulatedStick>> attachSimulatedSticks(StickLink& link, const std::vector<SimSpec>& specs,
                                                                   const Clock& clock);

} // namespace vs
