#include "script_prompts.h"
#include "script_transport.h"
#include "sim_sticks.h"
#include "stick/knob_flag.h"

#include <gtest/gtest.h>

namespace {

TEST(KnobCommands, ValuesTravelAsLengthPrefixedLittleEndianBytes)
{
    EXPECT_EQ(vs::knobSetCommand("LogInterval", 60), std::string("KNOBSET;LogInterval=\x02\x3C\x00;", 24));
    EXPECT_EQ(vs::knobSetCommand("X", 1000), std::string("KNOBSET;X=\x02\xE8\x03;", 14));
    EXPECT_EQ(vs::knobSetCommand("X", -1), std::string("KNOBSET;X=\x02\xFF\xFF;", 14));
    EXPECT_EQ(vs::knobSetCommand("X", 0x12345), std::string("KNOBSET;X=\x02\x45\x23;", 14));
    EXPECT_EQ(vs::flagSetCommand("RESET BASELINE", 0x8001), std::string("FLAGSET;RESET BASELINE=\x02\x01\x80", 26));

    const vs::KnobRecord knob{"k", "", 10, 0, 100, 2, 0};
    EXPECT_EQ(vs::knobRawFromDisplay(knob, 3.05), 50);  // (3.05 + 2) x 10 = 50.5, halves to even
    EXPECT_EQ(vs::knobRawFromDisplay(knob, 3.15), 52);
    EXPECT_DOUBLE_EQ(vs::knobDisplayFromRaw(knob, 52), 3.2);
    EXPECT_TRUE(vs::replyAccepted("@0001;OK;\\x0A"));
    EXPECT_FALSE(vs::replyAccepted("@0001;ERR;\\x0A"));
}

struct SimFixture : ::testing::Test, vstest::SimSticks {
    vstest::ScriptPrompts prompts;

    void SetUp() override { ASSERT_TRUE(attach({{4, 9}})); }
    int knobIndex(const std::string& name)
    {
        const auto& k = link.slot(0)->Knobs;
        for (size_t i = 0; i < k.size(); ++i)
            if (k[i].Name == name)
                return static_cast<int>(i);
        return -1;
    }
};

TEST_F(SimFixture, RefusedOutOfLimitAndNonNumericValuesChangeNothing)
{
    const int interval = knobIndex("LogInterval");
    const size_t before = sims[0]->commands().size();
    EXPECT_FALSE(vs::SetKnob(link, prompts, 0, interval, "4000"));
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"Value outside limits, not changed."});
    EXPECT_FALSE(vs::SetKnob(link, prompts, 0, interval, "abc"));
    EXPECT_FALSE(vs::SetKnob(link, prompts, 0, interval, ""));
    EXPECT_EQ(sims[0]->commands().size(), before) << "nothing was sent";

    // The stick itself refuses: its response is shown and the record is not re-read.
    link.slot(0)->Knobs[static_cast<size_t>(interval)].Max = 99999;
    prompts.shown.clear();
    EXPECT_FALSE(vs::SetKnob(link, prompts, 0, interval, "4000"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "Value was not accepted by Ventiscope simulated stick 0.\r\nResponse: ERR");
    EXPECT_EQ(sims[0]->commands().back(), std::string("KNOBSET;LogInterval=\x02\xA0\x0F;", 24));
    EXPECT_EQ(sims[0]->firmware().knobs()[2].raw, 60);
}

TEST_F(SimFixture, FlagChangesAndFixedFlagCommands)
{
    EXPECT_TRUE(vs::SetFlag(link, prompts, 0, 1, 0x8003));
    EXPECT_EQ(link.slot(0)->Flags[1].Value, "&h8003&");
    EXPECT_EQ(sims[0]->commands().back(), "FLAGGET?") << "read back";

    // A stick without the flag receives nothing.
    link.slot(0)->Flags.pop_back();
    const size_t before = sims[0]->commands().size();
    vs::Nymstick_CalibrateHeater(link, 0);
    EXPECT_EQ(sims[0]->commands().size(), before);
}

} // namespace
