#include "script_transport.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

namespace {

// An emulated stick answers at once, configures as a five-channel stick with
// warning levels, and its values follow a slow sine inside the channels' ranges.
TEST(Emulator, ConfiguresAtOnceAndGivesWholeValuesInItsRange)
{
    vstest::TestLink t;
    t.link.Nymstick_AddEmulated();
    const int s = t.link.Nymstick_AddEmulated();
    ASSERT_EQ(vs::Nymstick_GetConfig(t.link, s), 1) << t.link.StickErrorText;
    EXPECT_DOUBLE_EQ(t.clock.elapsedMs(), 0) << "no delay at all";
    const vs::StickRecord& r = *t.link.slot(s);
    EXPECT_EQ(r.Name, "Nym Stick emulator 1");
    EXPECT_EQ(r.nChannels, 5);
    EXPECT_EQ(r.Channels[0].WarnLevels, (std::vector<double>{1000, 1500}));
    EXPECT_EQ(r.Channels[1].nWarn, 0);
    // Commands without a canned reply get "@", the tag and ";"; binary ones nothing.
    EXPECT_EQ(vs::nym_ask(t.link, "*idn?", s), "@0006;");
    std::vector<uint8_t> buf;
    EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", s, buf, 1), vs::kBinMismatch);

    double lo = 1e9, hi = -1e9;
    for (int i = 0; i < 400; ++i) {
        t.clock.advanceMs(250);
        ASSERT_EQ(vs::Nymstick_ReadPV(t.link, s), 1);
        for (const auto& c : r.Channels) {
            const double raw = c.LastValue / c.Factor;
            EXPECT_NEAR(raw, std::round(raw), 1e-9);
            lo = std::min(lo, raw);
            hi = std::max(hi, raw);
        }
    }
    EXPECT_GE(lo, 0);
    EXPECT_LE(hi, 1650);
    EXPECT_LT(lo, 200); // the sine reaches both ends within 100 s
    EXPECT_GT(hi, 1400);
}

} // namespace
