#include "stick/channel_state.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulateSpec, ListsOfGenerationsWithOptionalReportLengths)
{
    struct Case {
        const char* text;
        std::vector<std::pair<int, int>> specs;
        size_t errors;
    } cases[] = {
        {"5,1/33", {{5, 9}, {1, 33}}, 0},
        {"0", {{0, 9}}, 0},
        {" 2 / 65 , 3", {{3, 9}}, 1}, // blanks inside an entry are not allowed
        {"2/65,3", {{2, 65}, {3, 9}}, 0},
        {"x,4/17,-1,,99999", {}, 4},
        {"", {}, 0},
        {"1/", {}, 1},
        {"5~2!3,5!0,5!x", {{5, 9}}, 2},
    };
    for (const Case& c : cases) {
        const vs::SimParse p = vs::parseSimulateSpec(c.text);
        std::vector<std::pair<int, int>> got;
        for (const auto& s : p.specs)
            got.emplace_back(s.protocol, s.inputReportLength);
        EXPECT_EQ(got, c.specs) << c.text;
        EXPECT_EQ(p.errors.size(), c.errors) << c.text;
    }
    // A serial number of its own, or none.
    vs::ManualClock clock;
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    const vs::SimParse p = vs::parseSimulateSpec("5=ROOM7A,1/33=,2");
    ASSERT_EQ(p.specs.size(), 3u);
    auto sims = vs::attachSimulatedSticks(link, p.specs, clock);
    std::vector<std::string> serials;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(vs::Nymstick_GetConfig(link, i), 1);
        serials.push_back(vs::stickSerial(*link.slot(i)));
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"ROOM7A", "", "SIM00000000000000001002"}));
}

} // namespace
