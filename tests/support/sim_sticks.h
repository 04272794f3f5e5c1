#pragma once
// Simulated sticks on a stick table of their own, whose waits advance a
// manual clock: what the stick-level tests start from.
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vstest {

struct SimSticks {
    SimSticks() = default;
    explicit SimSticks(vs::LocalDateTime start) : clock(start) {}
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::shared_ptr<vs::SimulatedStick>> sims;

    // Attaches the sticks and configures every one through the real exchange.
    ::testing::AssertionResult attach(const std::vector<vs::SimSpec>& specs)
    {
        sims = vs::attachSimulatedSticks(link, specs, clock);
        for (int i = 0; i < link.SlotsReserved; ++i)
            if (vs::Nymstick_GetConfig(link, i) != 1)
                return ::testing::AssertionFailure() << "stick " << i << " not configured: " << link.StickErrorText;
        return ::testing::AssertionSuccess();
    }
};

} // namespace vstest
