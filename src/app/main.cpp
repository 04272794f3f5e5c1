#include "app/console_front.h"
#include "common/clock.h"
#include "common/wait.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    int samples = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--samples") == 0)
            samples = std::max(0, std::atoi(argv[i + 1]));

    vs::SystemClock clock;
    vs::StickLink link(clock, vs::sleepingWait());
    vs::TraceLog trace(clock);

    std::vector<std::shared_ptr<vs::SimulatedStick>> simulated;
    if (const char* spec = std::getenv("VENTISCOPE_SIMULATE"); spec && *spec) {
        const vs::SimParse parsed = vs::parseSimulateSpec(spec);
        for (const std::string& e : parsed.errors)
            std::cerr << "VENTISCOPE_SIMULATE: " << e << " (ignored)\n";
        simulated = vs::attachSimulatedSticks(link, parsed.specs, clock);
    }
    if (link.SlotsReserved == 0) {
        std::cout << "No stick found; emulating two sticks.\n";
        link.Nymstick_AddEmulated();
        link.Nymstick_AddEmulated();
    }
    return vs::runConsoleFront(link, trace, samples, 1000, std::cout);
}
