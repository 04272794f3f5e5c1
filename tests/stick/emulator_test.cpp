#include "script_transport.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/fields.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

namespace {

using vstest::TestLink;

TEST(Emulator, RepliesCarryFreshTagsAndCannedTexts)
{
    TestLink t;
    const int s = t.link.Nymstick_AddEmulated();
    EXPECT_EQ(vs::nym_ask(t.link, "FLAGS?", s), "@0001;WARMUP;BURN-IN;RESET BASELINE;CALIBRATE HEATER;\\x0A");
    EXPECT_EQ(vs::nym_ask(t.link, "FLAGGET?", s), "@0002;&h0000;&h0000;&h0000;&h0000;;\\x0A");
    // No canned reply: only "@", the tag and ";"; commands are case-sensitive.
    EXPECT_EQ(vs::nym_ask(t.link, "KNOBSET;x", s), "@0003;");
    EXPECT_EQ(vs::nym_ask(t.link, "*idn?", s), "@0004;");
    // Values before configuration: none.
    EXPECT_EQ(vs::nym_ask(t.link, "*TRG", s), "@0005;;\\x0A");
    EXPECT_EQ(t.link.StickErrorText, "");
    EXPECT_DOUBLE_EQ(t.clock.elapsedMs(), 0); // no delay at all

    std::vector<uint8_t> buf;
    EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", s, buf, 1), vs::kBinMismatch);
}

TEST(Emulator, FiveRepliesDecodeToTheEmulatedStick)
{
    TestLink t;
    t.link.Nymstick_AddEmulated();
    const int s = t.link.Nymstick_AddEmulated();
    ASSERT_EQ(vs::Nymstick_GetConfig(t.link, s), 1) << t.link.StickErrorText;
    const vs::StickRecord& r = *t.link.slot(s);
    EXPECT_EQ(r.Name, "Nym Stick emulator 1");
    EXPECT_EQ(r.Hardware, "A");
    EXPECT_EQ(r.Firmware, "1.0 $Revision: 000 $");
    EXPECT_EQ(r.ProtocolVersion, 0);
    EXPECT_EQ(r.mcu, "EMU");
    EXPECT_EQ(r.PlotTitle, "Random values");
    ASSERT_GE(r.IdFields.size(), 4u);
    EXPECT_EQ(r.IdFields[3], "S/N:0123456789ABCDEF0123");

    struct Ch {
        const char* id;
        const char* label;
        const char* unit;
        int type;
        double factor;
        int min, max;
    } expected[] = {
        {"0", "RND() level", "ppm", 2, 1, 0, 5000}, {"1", "Debug", "i16", 2, 1, 0, 65535},
        {"2", "PWM", "ui16", 1, 1, 0, 255},         {"3", "Rh", "ohm", 3, 0.01, 0, 200},
        {"4", "Rs", "ohm", 3, 1, 0, 200000},
    };
    ASSERT_EQ(r.nChannels, 5);
    for (int i = 0; i < 5; ++i) {
        const vs::ChannelRecord& c = r.Channels[static_cast<size_t>(i)];
        EXPECT_EQ(c.ChID, expected[i].id);
        EXPECT_EQ(c.Ylabel, expected[i].label);
        EXPECT_EQ(c.Yunit, expected[i].unit);
        EXPECT_EQ(c.TypeCode, expected[i].type);
        EXPECT_DOUBLE_EQ(c.Factor, expected[i].factor);
        EXPECT_EQ(c.Min, expected[i].min);
        EXPECT_EQ(c.Max, expected[i].max);
        EXPECT_EQ(c.RawOffset, 0);
        EXPECT_EQ(c.ValueOffset, 0);
    }
    ASSERT_EQ(r.nKnobs, 3);
    EXPECT_EQ(r.Knobs[0].Name, "RND() level_warn1");
    EXPECT_EQ(r.Knobs[1].Value, 1500);
    EXPECT_EQ(r.Knobs[2].Name, "Reg_Set");
    EXPECT_EQ(r.Knobs[2].Unit, "");
    EXPECT_EQ(r.Knobs[2].Value, 147);
    EXPECT_EQ(r.Knobs[2].Max, 200);
    ASSERT_EQ(r.Flags.size(), 4u);
    for (const auto& f : r.Flags)
        EXPECT_EQ(f.Value, "&h0000&");
    EXPECT_EQ(r.Flags[3].Name, "CALIBRATE HEATER");
    EXPECT_EQ(r.Channels[0].nWarn, 2);
    EXPECT_EQ(r.Channels[0].WarnLevels, (std::vector<double>{1000, 1500}));
    EXPECT_EQ(r.Channels[1].nWarn, 0);
    EXPECT_GT(r.ConfiguredAt, 0);
}

TEST(Emulator, ValuesFollowTheSlowSineWithRandomSpread)
{
    TestLink t;
    const int s = t.link.Nymstick_AddEmulated();
    ASSERT_EQ(vs::Nymstick_GetConfig(t.link, s), 1);
    double lo = 1e9, hi = -1e9;
    for (int i = 0; i < 400; ++i) {
        t.clock.advanceMs(250);
        ASSERT_EQ(vs::Nymstick_ReadPV(t.link, s), 1);
        for (const auto& c : t.link.slot(s)->Channels) {
            const double raw = c.LastValue / c.Factor;
            EXPECT_NEAR(raw, std::round(raw), 1e-9);
            lo = std::min(lo, raw);
            hi = std::max(hi, raw);
        }
    }
    EXPECT_GE(lo, 0);
    EXPECT_LE(hi, 1650);
    EXPECT_LT(lo, 200);  // the sine reaches both ends within 100 s
    EXPECT_GT(hi, 1400);
}

} // namespace
