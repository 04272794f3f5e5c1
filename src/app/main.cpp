#include "app/console_front.h"
#include "common/clock.h"
#include "common/wait.h"
#include "stick/device_scan.h"
#include "stick/hidapi_backend.h"
#include "stick/sim_backend.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
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

    std::unique_ptr<vs::HidBackend> backend;
    if (const char* spec = std::getenv("VENTISCOPE_SIMULATE"); spec && *spec) {
        const vs::SimParse parsed = vs::parseSimulateSpec(spec);
        for (const std::string& e : parsed.errors)
            std::cerr << "VENTISCOPE_SIMULATE: " << e << " (ignored)\n";
        auto bus = std::make_unique<vs::SimulatedBackend>(clock);
        for (const vs::SimSpec& s : parsed.specs)
            bus->plug(s);
        backend = std::move(bus);
    } else {
        backend = std::make_unique<vs::HidapiBackend>();
    }
    vs::DeviceScanner scanner(link, *backend);
    scanner.onPermissionProblem = [&](const std::string& advice) {
        std::cerr << advice << '\n';
        trace.LogTrace(advice);
    };
    if (scanner.Nymstick_Find() == 0) {
        std::cout << "No stick found; emulating two sticks.\n";
        link.Nymstick_AddEmulated();
        link.Nymstick_AddEmulated();
    }
    return vs::runConsoleFront(link, trace, samples, 1000, std::cout);
}
