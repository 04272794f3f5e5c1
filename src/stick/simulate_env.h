#pragma once
#include "common/clock.h"

#include <memory>
#include <optional>
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
    // Pulled out at its n-th ask for values (0: never).
    int leaveAt = 0;
    // The serial number it reports (none: "SIM" and its number; empty: it reports none).
    std::optional<std::string> serial = {};
};

struct SimParse {
    std::vector<SimSpec> specs;
    std::vector<std::string> errors; // one text per entry that was ignored
};

// Reads a comma-separated list of protocol generations, each optionally
// followed by "/" and the input report length (9, 33 or 65), by "~" and a
// number n for a stick that loses every n-th report of its binary replies,
// by "!" and a number n for a stick pulled out at its n-th ask for values,
// and by "=" and the serial number it reports ("=" alone: none):
// "5,1/33,3~50,5!20,5=ROOM7A,5=".
SimParse parseSimulateSpec(std::string_view text);

// The simulated stick of an entry, the `index`-th simulated stick.
std::shared_ptr<SimulatedStick> simulatedStick(const SimSpec& spec, int index, const Clock& clock);

// Opens one simulated stick for each entry in a new slot, like sticks found on USB.
std::vector<std::shared_ptr<SimulatedStick>> attachSimulatedSticks(StickLink& link, const std::vector<SimSpec>& specs,
                                                                   const Clock& clock);

} // namespace vs
