#include "script_transport.h"
#include "stick/channel_state.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/report_io.h"
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

TEST(SimulatedStick, FlashRecorderServesRecordingsInBlocks)
{
    vs::ManualClock clock;
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    auto sims = vs::attachSimulatedSticks(link, {{4, 9}}, clock);
    link.slot(0)->PollDelayMs = 30;
    EXPECT_EQ(vs::nym_ask(link, "RECORDS?", 0), "@0001;3;\\x0A");
    EXPECT_EQ(vs::nym_ask(link, "LBRM;4", 0), "@0002;4;\\x0A");
    EXPECT_EQ(vs::nym_ask(link, "LBSIZE?", 0), "@0003;&h00000028;\\x0A"); // the third recording: 40 values
    EXPECT_EQ(vs::nym_ask(link, "LBAVG;16", 0), "@0004;16;\\x0A");
    std::vector<uint8_t> buf;
    ASSERT_EQ(vs::nym_ask_short_bin(link, "LBR", 0, buf, 1), vs::kBinOk);
    const auto& rec = sims[0]->firmware().recordings()[2];
    double first = 0;
    for (int i = 0; i < 16; ++i)
        first += rec[static_cast<size_t>(i)];
    EXPECT_EQ(buf[2] | (buf[3] << 8), std::lround(first / 16));
    // 40 values averaged by 16 make three points; the rest of the block reads 65535.
    ASSERT_EQ(vs::nym_ask_short_bin(link, "LBR", 0, buf, 1), vs::kBinOk);
    EXPECT_EQ(buf[2] | (buf[3] << 8), 65535);
    std::vector<uint8_t> again;
    ASSERT_EQ(vs::nym_ask_short_bin(link, "NAK", 0, again, 1, true), vs::kBinOk);
    EXPECT_TRUE(std::equal(buf.begin() + 2, buf.end(), again.begin() + 2));

    EXPECT_EQ(vs::nym_ask(link, "FLSTOP", 0), "@0005;OK;\\x0A");
    EXPECT_FALSE(sims[0]->firmware().recording());
    vs::nym_ask(link, "*RST", 0);
    EXPECT_EQ(vs::nym_ask(link, "RECORDS?", 0), "@0007;0;\\x0A");
    EXPECT_EQ(vs::nym_ask(link, "BOGUS", 0), "@0008;ERR;unknown command;\\x0A");
}

} // namespace
