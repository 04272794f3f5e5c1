#include "responder.h"
#include "stick/exchange.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using vstest::Report;
using vstest::ScriptTransport;
using vstest::TestLink;

void giveChannels(vs::StickRecord& r, int n)
{
    r.Channels.assign(static_cast<size_t>(n), vs::ChannelRecord{});
    for (auto& c : r.Channels)
        c.Factor = 1;
    r.nChannels = static_cast<int16_t>(n);
}

TEST(ValueReading, TextValuesByChannelWithFactorAndOffsets)
{
    TestLink t;
    auto dev = t.addScripted(33, 33, 0);
    giveChannels(*t.link.slot(0), 5);
    t.link.slot(0)->Channels[3].Factor = 0.01;
    t.link.slot(0)->Channels[4].RawOffset = 1;
    t.link.slot(0)->Channels[4].ValueOffset = 0.5;
    vstest::answerFromTable(*dev, {{"*TRG", "800;1200;5;9;1;;\n"}});
    EXPECT_EQ(vs::Nymstick_ReadPV(t.link, 0), 1);
    const auto& c = t.link.slot(0)->Channels;
    EXPECT_EQ(c[0].LastValue, 800);
    EXPECT_EQ(c[1].LastValue, 1200);
    EXPECT_EQ(c[2].LastValue, 5);
    EXPECT_DOUBLE_EQ(c[3].LastValue, 0.09);
    EXPECT_DOUBLE_EQ(c[4].LastValue, 0.5);

    // Fewer fields than channels: only the leading channels change.
    vstest::answerFromTable(*dev, {{"*TRG", "1;2;;\n"}});
    EXPECT_EQ(vs::Nymstick_ReadPV(t.link, 0), 1);
    EXPECT_EQ(c[0].LastValue, 1);
    EXPECT_EQ(c[1].LastValue, 2);
    EXPECT_EQ(c[2].LastValue, 5);

    // No values at all, or a reply without ";": nothing changes.
    vstest::answerFromTable(*dev, {{"*TRG", ";\n"}});
    EXPECT_EQ(vs::Nymstick_ReadPV(t.link, 0), 0);
    EXPECT_EQ(c[0].LastValue, 1);
}

// A binary stick answering every binary command with `data` after "@" and the sequence byte.
void answerBinary(ScriptTransport& dev, std::string data)
{
    dev.onWrite = [data](ScriptTransport& d, const Report& w) {
        std::string r = "@";
        r += static_cast<char>(w[2]);
        d.queueRaw(r + data);
    };
}

std::string le16(uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

TEST(ValueReading, BinaryValuesSkipTheTopOfThe32BitRangeAndAFailedExchangeKeepsThem)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 2);
    giveChannels(*t.link.slot(0), 5);
    answerBinary(*dev, le16(1) + le16(65535) + le16(3) + le32(200000) + le32(4294967295u));
    t.link.slot(0)->Channels[4].LastValue = 77;
    EXPECT_EQ(vs::Nymstick_ReadPV(t.link, 0), 1);
    const auto& c = t.link.slot(0)->Channels;
    EXPECT_EQ(c[1].LastValue, 65535);
    EXPECT_EQ(c[3].LastValue, 200000);
    EXPECT_EQ(c[4].LastValue, 77);
    EXPECT_EQ(dev->written.size(), 1u);

    answerBinary(*dev, le16(1) + le16(2) + le16(3) + le32(42949673) + le32(42949672));
    vs::Nymstick_ReadPV(t.link, 0);
    EXPECT_EQ(c[3].LastValue, 200000);
    EXPECT_EQ(c[4].LastValue, 42949672);

    // A failed binary exchange keeps the values and traces its result.
    TestLink failing;
    failing.addScripted(9, 9, 3);
    giveChannels(*failing.link.slot(0), 5);
    failing.link.slot(0)->Channels[0].LastValue = 12;
    EXPECT_EQ(vs::Nymstick_ReadPV(failing.link, 0), 1);
    EXPECT_EQ(failing.link.slot(0)->Channels[0].LastValue, 12);
    EXPECT_EQ(failing.link.TraceBuffer, "nym_ask_short_bin error 3 ");
    EXPECT_NE(failing.link.StickErrorText, "");
}

TEST(ValueReading, ValuesBeyondTheBufferAndMissingChannelsAreSkippedAndReportCountsRoundHalfUp)
{
    TestLink t;
    t.addScripted(9, 9, 2);
    giveChannels(*t.link.slot(0), 2); // the stick lists only two channels
    std::vector<uint8_t> buf = {'@', 103, 5, 0, 6, 0, 7, 0, 8, 0, 0};
    size_t pos = 2;
    vs::ParseBinaryValues(t.link, 0, buf, pos);
    EXPECT_EQ(t.link.slot(0)->Channels[0].LastValue, 5);
    EXPECT_EQ(t.link.slot(0)->Channels[1].LastValue, 6);
    EXPECT_EQ(pos, 16u);
    size_t at = 9;
    EXPECT_EQ(vs::GetU32(buf, at), std::nullopt);
    at = 0;
    EXPECT_EQ(vs::GetU16(buf, at), 0x6740u);

    // A reply's report count is rounded half up: {value bytes, report length, count}.
    for (const auto& [bytes, length, count] :
         std::initializer_list<std::array<int, 3>>{{16, 9, 2}, {16, 33, 1}, {16, 65, 0}, {24, 9, 3}, {24, 17, 2}, {16, 0, 0}})
        EXPECT_EQ(vs::reportCount(bytes, length), count) << bytes << " bytes in reports of " << length;
}

} // namespace
