// Replies no stick should send must never crash the program or read out of bounds.
#include "responder.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using vstest::Report;
using vstest::ScriptTransport;
using vstest::TestLink;

TEST(HostileReplies, LineFeedOnlyATrailingLengthPrefixAndA64KiBReply)
{
    TestLink t;
    auto dev = t.addScripted(9, 9, 1);
    dev->script.push_back(Report(9, 0x0A));
    // Without ";" before it, a line feed is no terminator: the exchange runs out of reports.
    EXPECT_NE(vs::nym_ask(t.link, "Q", 0).find("NYM_RECV_ERR_Readfile:"), std::string::npos);

    // A length prefix as the very last byte of the last report.
    TestLink t2;
    auto dev2 = t2.addScripted(9, 9, 1);
    int sends = 0;
    dev2->onWrite = [&](ScriptTransport& d, const Report& w) {
        const std::string tag(w.begin() + 2, w.begin() + 6);
        if (++sends == 1)
            d.queueRaw("@" + tag + ";a\x14"); // the prefix ends the only report
        else
            d.queueRaw("@" + tag + ";ok;\n");
    };
    EXPECT_EQ(vs::nym_ask(t2.link, "Q", 0), "@0002;ok;\\x0A");

    // A reply of 64 KiB is taken whole.
    TestLink t3;
    const std::string body(65536, 'x');
    t3.addScripted(65, 65, 1)->queueRaw("@0001;" + body + ";\n");
    EXPECT_EQ(vs::nym_ask(t3.link, "Q", 0).size(), 6 + body.size() + 5);
    EXPECT_EQ(t3.link.StickErrorText, "");
}

// A stick that never stops sending, one report a millisecond as over USB.
TEST(HostileReplies, AReplyThatNeverEndsFailsSoonAndKeepsTheWindowAlive)
{
    for (const uint8_t fill : {uint8_t{0x10}, uint8_t{0x00}, uint8_t{'x'}}) {
        TestLink t;
        int eventTurns = 0;
        t.link.setWait([&](int ms) {
            t.clock.advanceMs(ms);
            if (ms == 0)
                ++eventTurns;
        });
        // Every read a full report of the same byte, never a line end.
        auto stream = t.addScripted(65, 65, 1);
        long reads = 0;
        stream->onRead = [&](uint8_t* buffer, size_t length, std::string& error) {
            if (++reads > 1000000) { // the old endless loop: give up so the test fails instead of hanging
                error = "test stream exhausted";
                return 0;
            }
            t.clock.advanceMs(1);
            std::memset(buffer, fill, length);
            return static_cast<int>(length);
        };
        const double started = t.clock.elapsedMs();
        EXPECT_EQ(vs::nym_ask(t.link, "*TRG", 0), "NYM_RECV_ERR_Readfile:The reply has no end.") << int(fill);
        EXPECT_EQ(t.link.StickErrorText, "NYM_RECV_ERR_Readfile:The reply has no end.");
        EXPECT_LE(reads, 5000) << int(fill);
        EXPECT_LE(t.clock.elapsedMs() - started, 6000) << int(fill);
        // Events ran at least every 50 ms of reading.
        EXPECT_GE(eventTurns, (t.clock.elapsedMs() - started) / 50 - 1) << int(fill);
        // The link is free again for the next exchange.
        EXPECT_FALSE(t.link.Exchange.busy);
    }
}

TEST(HostileReplies, NumbersThatDoNotFitFailTheConfigurationCleanly)
{
    TestLink t;
    auto dev = t.addScripted(33, 33, 1);
    vstest::answerFromTable(*dev, {
        {"*IDN?", "n;h;1.0p2;w;MCU=X;T;S/N:1;;\n"},
        {"KNOBPRE?", "k;u;1;0;10;0;99999999999;;\n"},
    });
    EXPECT_EQ(vs::Nymstick_GetConfig(t.link, 0), 0);
    EXPECT_EQ(t.link.StickErrorText.rfind("Nymstick_ReadStickKnobs(0):bad knob list: field 7", 0), 0u)
        << t.link.StickErrorText;
    EXPECT_EQ(t.link.slot(0)->Name, "n");
    EXPECT_EQ(t.link.slot(0)->nKnobs, 0);
}

} // namespace
