#include "script_transport.h"
#include "sim_sticks.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/sim_stick.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

namespace {

using vstest::Report;
using vstest::ScriptTransport;
using vstest::TestLink;

TEST(TextExchange, FramesCommandsIntoOutputReports)
{
    // "@" + tag + "AB" + LF fills the 8 payload bytes of a 9-byte report exactly.
    TestLink t2;
    auto dev2 = t2.addScripted(9, 9, 1);
    dev2->queueRaw("@0001;OK;\n");
    EXPECT_EQ(vs::nym_ask(t2.link, "AB", 0), "@0001;OK;\\x0A");
    ASSERT_EQ(dev2->written.size(), 1u);
    EXPECT_EQ(dev2->written[0], Report({0, '@', '0', '0', '0', '1', 'A', 'B', 0x0A}));

    // One character more needs a second report padded with "@".
    TestLink t3;
    auto dev3 = t3.addScripted(9, 9, 1);
    dev3->queueRaw("@0001;OK;\n");
    vs::nym_ask(t3.link, "ABC", 0);
    ASSERT_EQ(dev3->written.size(), 2u);
    EXPECT_EQ(dev3->written[0], Report({0, '@', '0', '0', '0', '1', 'A', 'B', 'C'}));
    EXPECT_EQ(dev3->written[1], Report({0, 0x0A, '@', '@', '@', '@', '@', '@', '@'}));
}

TEST(TextExchange, RawBytesTravelAsSingleBytesAndOldProtocolsSendAnExtraAt)
{
    TestLink t;
    auto dev = t.addScripted(33, 33, 0);
    dev->queueRaw("@0001;OK;\n");
    const std::string cmd = std::string("K=") + '\x02' + '\x80' + '\x00';
    EXPECT_EQ(vs::nym_ask(t.link, cmd, 0), "@0001;OK;\\x0A");
    ASSERT_EQ(dev->written.size(), 2u);
    const Report& r = dev->written[0];
    EXPECT_EQ(std::string(r.begin() + 1, r.begin() + 12), std::string("@0001K=\x02\x80\x00\n", 11));
    EXPECT_EQ(r[12], '@');
    // protocol 0: one more report carrying a lone "@"
    EXPECT_EQ(dev->written[1][1], '@');
    EXPECT_EQ(dev->written[1][2], '@');
}

TEST(TextExchange, TagsCountUpAndWrapToZero)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    dev->onWrite = [&](ScriptTransport& d, const Report& w) {
        d.queueRaw("@" + std::string(w.begin() + 2, w.begin() + 6) + ";\n");
    };
    t.link.TagCounter = 65533;
    std::vector<std::string> tags;
    for (int i = 0; i < 4; ++i) {
        vs::nym_ask(t.link, "X", 0);
        tags.push_back(t.link.CurrentTag);
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"FFFE", "FFFF", "0000", "0001"}));
    t.link.TagCounter = 9;
    vs::nym_ask(t.link, "X", 0);
    EXPECT_EQ(t.link.CurrentTag, "000A");
}

TEST(TextExchange, ReplyReassembledAcrossReports)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    dev->queueRaw("@0001;long reply text;\n");
    EXPECT_EQ(vs::nym_ask(t.link, "Q", 0), "@0001;long reply text;\\x0A");
    EXPECT_EQ(t.link.StickErrorText, "");
    // Reports already queued are taken without waiting.
    EXPECT_EQ(t.link.slot(0)->PollDelayMs, 30);
    EXPECT_DOUBLE_EQ(t.clock.elapsedMs(), 0);

    // A report that is not there yet is looked for every millisecond and taken when it comes.
    dev->script.push_back(std::nullopt);
    dev->script.push_back(std::nullopt);
    dev->queueRaw("@0002;late;\n");
    EXPECT_EQ(vs::nym_ask(t.link, "Q", 0), "@0002;late;\\x0A");
    EXPECT_EQ(dev->written.size(), 2u) << "no resend";
    EXPECT_DOUBLE_EQ(t.clock.elapsedMs(), 2);

    // One that never comes gets the whole poll delay in each of the six tries.
    EXPECT_EQ(vs::nym_ask(t.link, "Q", 0), "NYM_RECV_ERR_Readfile:Resource temporarily unavailable");
    EXPECT_DOUBLE_EQ(t.clock.elapsedMs(), 2 + 6 * 30);
}

TEST(TextExchange, ReadFailuresFlushAndResendThenGiveUpASendFailureAtOnce)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    const std::string reply = vs::nym_ask(t.link, "Q", 0);
    EXPECT_EQ(reply, "NYM_RECV_ERR_Readfile:Resource temporarily unavailable");
    EXPECT_EQ(t.link.StickErrorText, reply);
    EXPECT_EQ(dev->written.size(), 6u); // six sends, each with a new tag
    EXPECT_EQ(dev->flushes, 5);
    EXPECT_EQ(t.link.CurrentTag, "0006");

    // A reply that arrives after three failures is taken.
    TestLink t2;
    auto dev2 = t2.addScripted(9, 9, 1);
    int sends = 0;
    dev2->onWrite = [&](ScriptTransport& d, const Report& w) {
        if (++sends == 4)
            d.queueRaw("@" + std::string(w.begin() + 2, w.begin() + 6) + ";v;\n");
    };
    EXPECT_EQ(vs::nym_ask(t2.link, "Q", 0), "@0004;v;\\x0A");
    EXPECT_EQ(t2.link.StickErrorText, "");

    // singleTry gives up at once with an empty reply and the read error kept.
    TestLink t3;
    t3.addScripted(9, 9, 1);
    EXPECT_EQ(vs::nym_ask(t3.link, "Q", 0, 0, true), "");
    EXPECT_NE(t3.link.StickErrorText.find("NYM_RECV_ERR_Readfile:"), std::string::npos);

    // A failed send ends at once.
    TestLink t4;
    t4.addScripted(9, 9, 1)->failWrites = 1;
    EXPECT_EQ(vs::nym_ask(t4.link, "Q", 0), "NYM_SEND_ERROR");
    EXPECT_EQ(t4.link.StickErrorText, "NYM_SEND_ERROR");
}

TEST(TextExchange, StaleTagResynchronisesAndResends)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    int sends = 0;
    dev->onWrite = [&](ScriptTransport& d, const Report& w) {
        if (w[1] != '@' || w[2] == '@')
            return; // padding, resynchronisation
        ++sends;
        const std::string tag(w.begin() + 2, w.begin() + 6);
        d.queueRaw(sends == 1 ? "@0000;late;\n" : "@" + tag + ";fresh;\n");
    };
    EXPECT_EQ(vs::nym_ask(t.link, "Q", 0), "@0002;fresh;\\x0A");
    EXPECT_EQ(t.link.StickErrorText, "");
    const std::string sent = dev->writtenText();
    EXPECT_NE(sent.find(std::string(16, '@')), std::string::npos);

    // Four mismatches in a row give up.
    TestLink t2;
    auto dev2 = t2.addScripted(9, 9, 1);
    int commands = 0;
    dev2->onWrite = [&](ScriptTransport& d, const Report& w) {
        if (w[2] != '@') {
            ++commands;
            d.queueRaw("@BEEF;x;\n");
        }
    };
    EXPECT_EQ(vs::nym_ask(t2.link, "Q", 0), "NYM_PACKET_MISMATCH");
    EXPECT_EQ(t2.link.StickErrorText, "NYM_PACKET_MISMATCH");
    EXPECT_EQ(commands, 4);
}

TEST(TextExchange, NestedAskAnswersBusyAndLeavesTheErrorAlone)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    dev->script.push_back(std::nullopt); // the reply is late: the exchange waits and the window runs
    dev->queueRaw("@0001;outer;\n");
    std::string nested;
    bool once = false;
    t.link.setWait([&](int) {
        if (once)
            return;
        once = true;
        t.link.StickErrorText = "marker";
        nested = vs::nym_ask(t.link, "INNER", 0);
        EXPECT_EQ(t.link.StickErrorText, "marker");
        t.link.StickErrorText.clear();
    });
    EXPECT_EQ(vs::nym_ask(t.link, "OUTER", 0), "@0001;outer;\\x0A");
    EXPECT_EQ(nested, "BUSY");
    EXPECT_FALSE(t.link.Exchange.busy);
}

TEST(TextExchange, SticksThatCannotBeAskedGiveEmptyReplies)
{
    TestLink t;
    EXPECT_EQ(vs::nym_ask(t.link, "Q", 0), "");
    EXPECT_EQ(vs::nym_ask(t.link, "Q", -1), "");
    const int nw = t.link.Nymstick_AddSlot("nw:1");
    t.link.slot(nw)->Interface = "NW";
    t.link.slot(nw)->HIDHandle = t.link.slot(nw)->ReadHandle = 1;
    EXPECT_EQ(vs::nym_ask(t.link, "Q", nw), "");
    EXPECT_EQ(t.link.StickErrorText, "");
}

TEST(BinaryExchange, SequenceBytesRunFrom103To254AndEachAttemptHasItsOwn)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    std::vector<uint8_t> seen;
    dev->onWrite = [&](ScriptTransport& d, const Report& w) {
        seen.push_back(w[2]);
        std::string r = "@";
        r += static_cast<char>(w[2]);
        d.queueRaw(r + std::string(14, '\x01'));
    };
    std::vector<uint8_t> buf;
    EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", 0, buf, 2), vs::kBinOk);
    EXPECT_EQ(dev->written[0], Report({0, '@', 103, '*', 'T', 'R', 0x0A, '@', '@'}));
    EXPECT_EQ(buf.size(), 16u);
    for (int i = 0; i < 151; ++i)
        vs::nym_ask_short_bin(t.link, "*TR", 0, buf, 2);
    EXPECT_EQ(seen.back(), 254);
    vs::nym_ask_short_bin(t.link, "*TR", 0, buf, 2);
    EXPECT_EQ(seen.back(), 103);

    // A reply that does not start with "@" is passed over; the command is
    // sent again with a sequence byte of its own, so that a late answer to
    // the first attempt cannot pass for the second's.
    TestLink t2;
    auto dev2 = t2.addScripted(9, 9, 1);
    int sends = 0;
    std::vector<uint8_t> seqs;
    dev2->onWrite = [&](ScriptTransport& d, const Report& w) {
        seqs.push_back(w[2]);
        std::string r = ++sends == 1 ? "X" : "@";
        r += static_cast<char>(w[2]);
        d.queueRaw(r + "abcdef");
    };
    EXPECT_EQ(vs::nym_ask_short_bin(t2.link, "LBR", 0, buf, 1), vs::kBinOk);
    EXPECT_EQ(seqs, (std::vector<uint8_t>{103, 104}));
    EXPECT_EQ(buf[1], 104);
}

TEST(BinaryExchange, ALateReplyCostsOneRetryAndLeavesNothingBehind)
{
    // A stick answers one "TRF?" later than the poll delay: the retry's reply
    // and the late one both arrive. Every later command is sent once and
    // answered with its own values, as no surplus reply stays queued.
    for (int length : {9, 33}) {
        SCOPED_TRACE(length);
        vstest::SimSticks sticks;
        ASSERT_TRUE(sticks.attach({{5, length}}));
        auto& [clock, link, sims] = sticks;
        sims[0]->delayNextReply(45);
        const size_t before = sims[0]->commands().size();
        ASSERT_EQ(vs::Nymstick_ReadPV(link, 0), 1);
        EXPECT_EQ(link.StickErrorText, "");
        EXPECT_EQ(sims[0]->commands().size() - before, 2u) << "one retry";
        for (int pass = 0; pass < 5; ++pass) {
            clock.advanceMs(1000);
            const size_t sent = sims[0]->commands().size();
            ASSERT_EQ(vs::Nymstick_ReadPV(link, 0), 1);
            EXPECT_EQ(link.StickErrorText, "");
            EXPECT_EQ(sims[0]->commands().size() - sent, 1u) << "pass " << pass;
        }
        EXPECT_EQ(sims[0]->queuedReports(), 0u);
    }
}

TEST(BinaryExchange, FailuresGiveTheirResultCodes)
{
    std::vector<uint8_t> buf;
    {
        TestLink t;
        auto dev = t.addScripted(9, 9, 1);
        dev->failWrites = 4;
        EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", 0, buf, 2), vs::kBinSendFailure);
        EXPECT_EQ(t.link.StickErrorText, "NYM_SEND_ERROR");
    }
    {
        TestLink t;
        auto dev = t.addScripted(9, 9, 1);
        EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", 0, buf, 2), vs::kBinReceiveFailure);
        EXPECT_EQ(dev->written.size(), 4u);
        EXPECT_NE(t.link.StickErrorText.find("NYM_RECV_ERR_Readfile:"), std::string::npos);
    }
    {
        TestLink t;
        auto dev = t.addScripted(9, 9, 1);
        dev->onWrite = [](ScriptTransport& d, const Report&) { d.queueRaw("@\x01" "123456"); };
        EXPECT_EQ(vs::nym_ask_short_bin(t.link, "LBR", 0, buf, 1), vs::kBinMismatch);
        EXPECT_EQ(t.link.StickErrorText, "NYM_PACKET_MISMATCH");
        EXPECT_EQ(dev->written.size(), 4u);
    }
    {
        // Too long for one report, and emulated slots without reports: nothing is sent.
        TestLink t;
        auto dev = t.addScripted(9, 9, 1);
        EXPECT_EQ(vs::nym_ask_short_bin(t.link, "TOOLONG", 0, buf, 1), vs::kBinMismatch);
        EXPECT_TRUE(dev->written.empty());
        const int emu = t.link.Nymstick_AddEmulated();
        EXPECT_EQ(vs::nym_ask_short_bin(t.link, "*TR", emu, buf, 1), vs::kBinMismatch);
    }
}

TEST(TraceBuffer, KeepsTheLast501CharactersAndDumpsReports)
{
    TestLink t;
    t.link.TraceBuffer = std::string(490, 'a');
    vs::TraceBuffer_Append(t.link, std::string(20, 'b'));
    EXPECT_EQ(t.link.TraceBuffer.size(), 501u);
    EXPECT_EQ(t.link.TraceBuffer.back(), 'b');
    const uint8_t bytes[] = {0x00, 0x41, 0x20, 0x7E, 0xFF};
    EXPECT_EQ(vs::HexDump(bytes, 5), "00 41 20 7E FF .A.~.\r\n");

    auto dev = t.addScripted(9, 9, 1);
    t.link.TraceLevel = 210;
    t.link.TraceBuffer.clear();
    dev->queueRaw("@0001;\n");
    vs::nym_ask(t.link, "Q", 0);
    EXPECT_EQ(t.link.TraceBuffer, "00 40 30 30 30 31 3B 0A 00 .@0001;..\r\n@0001;\\x0A\r\n");

    t.link.TraceBuffer.clear();
    vs::TraceBinaryReply(t.link, {0x40, 0x67}, 3, 0);
    EXPECT_EQ(t.link.TraceBuffer.rfind("nym_ask_short_bin error 3 ", 0), 0u);
}

} // namespace
