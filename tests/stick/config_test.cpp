#include "responder.h"
#include "sim_sticks.h"
#include "stick/config_read.h"
#include "stick/configure_stick.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/trace_log.h"
#include "stick/value_read.h"

#include <gtest/gtest.h>

namespace {

using vstest::TestLink;

TEST(Configuration, IdentityFieldsProtocolAndPollDelay)
{
    struct Case {
        const char* idn;
        int protocol;
        int pollDelay;
        const char* mcu;
        const char* title;
    } cases[] = {
        {"n;h;2.1p3 beta;w;MCU=AVR;Title;S/N:1;;\n", 3, 0, "AVR", "Title"},
        {"n;h;p1;w;MCU=AVR;T;S/N:1;Poll=14;;\n", 1, 40, "AVR", "T"},
        {"n;h;p1;w;MCU=AVR;T;S/N:1;Poll=00;;\n", 1, 30, "AVR", "T"},
        {"n;h;p1;w;MCU=AVR;T;;\n", 1, 0, "AVR", "T"}, // too few fields: poll delay left alone
        {"n;h;1.0;w;x;MCU=ARM;S/N:1;;\n", 0, 0, "ARM", ""},
        {"n;h;P7;w;MCU=A;B;C;;\n", 0, 0, "A", "B"},
    };
    for (const Case& c : cases) {
        TestLink t;
        auto dev = t.addScripted(33, 33, 0);
        vstest::answerFromTable(*dev, {{"*IDN?", c.idn}, {"KNOBPRE?", ";\n"}, {"WFMPRE?", "\n"}, {"FLAGS?", "\n"},
                                       {"FLAGGET?", "\n"}});
        EXPECT_EQ(vs::Nymstick_GetConfig(t.link, 0), 1) << c.idn << t.link.StickErrorText;
        const vs::StickRecord& r = *t.link.slot(0);
        EXPECT_EQ(r.ProtocolVersion, c.protocol) << c.idn;
        if (c.pollDelay) {
            EXPECT_EQ(r.PollDelayMs, c.pollDelay) << c.idn;
        }
        EXPECT_EQ(r.mcu, c.mcu) << c.idn;
        EXPECT_EQ(r.PlotTitle, c.title) << c.idn;
        EXPECT_EQ(r.nChannels, 0) << "a channel list without fields gives no channels";
    }
}

TEST(Configuration, GroupCountsFlagValuesAndNoKnobsWhenNoneAreSent)
{
    TestLink t;
    auto dev = t.addScripted(33, 33, 1);
    vstest::answerFromTable(*dev, {
        {"*IDN?", "n;h;p2;w;MCU=A;T;S/N:1;;\n"},
        {"KNOBPRE?", ";\n"},
        {"WFMPRE?", "&h02;0;A;u;1;0;9;0;0;&h02;1;B;u;1;0;9;0;0;\n"},
        {"FLAGS?", "F1;F2;\n"},
        {"FLAGGET?", "&h0001;&hFFFF;&h0003;;\n"},
    });
    t.link.slot(0)->Knobs = {vs::KnobRecord{"A_warn", "", 1, 0, 1, 0, 700}};
    t.link.slot(0)->nKnobs = 1;
    ASSERT_EQ(vs::Nymstick_GetConfig(t.link, 0), 1) << t.link.StickErrorText;
    const vs::StickRecord& r = *t.link.slot(0);
    EXPECT_EQ(r.nChannels, 2);
    EXPECT_EQ(r.Channels[1].Ylabel, "B");
    ASSERT_EQ(r.Flags.size(), 2u);
    EXPECT_EQ(r.Flags[0].Value, "&h0001&");
    EXPECT_EQ(r.Flags[1].Value, "&hFFFF&"); // the extra third value changes nothing
    // The stick has no knobs now: none counts, so its old warn knob gives no level;
    // the array itself is left as it was.
    EXPECT_EQ(r.nKnobs, 0);
    EXPECT_EQ(r.Knobs[0].Name, "A_warn");
    EXPECT_EQ(r.Channels[0].nWarn, 0);
}

TEST(Configuration, FailingStepsLeaveWhatWasReadAndAPrefixedError)
{
    vs::ManualClock clock;
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    auto again = vs::attachSimulatedSticks(link, {{2, 9}}, clock);
    // Turn one channel's Max field into text: the list is damaged.
    int seen = 0;
    std::function<void(std::string&)> damageWfm = [&](std::string& reply) {
        if (reply.find(";CO2eq;") == std::string::npos) {
            again[0]->corruptNextReply(damageWfm); // not the channel list yet
            return;
        }
        ++seen;
        reply.replace(reply.find(";5000;"), 6, ";5x00;");
    };
    again[0]->corruptNextReply(damageWfm);
    EXPECT_EQ(vs::Nymstick_GetConfig(link, 0), 0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(link.StickErrorText.rfind("nym_ask('WFMPRE?', 0):bad channel list: field 7", 0), 0u)
        << link.StickErrorText;
    const vs::StickRecord& r = *link.slot(0);
    EXPECT_EQ(r.Name, "Ventiscope simulated stick 0"); // the identity survives
    EXPECT_EQ(r.nChannels, 0);
    EXPECT_TRUE(r.Channels.empty());
    EXPECT_EQ(r.nKnobs, 4);
}

TEST(WarnLevels, KnobsMatchByContainmentAndTheWordWarn)
{
    TestLink t;
    const int s = t.link.Nymstick_AddSlot("x");
    vs::StickRecord& r = *t.link.slot(s);
    r.Channels.resize(3);
    r.Channels[0].Ylabel = "R";
    r.Channels[1].Ylabel = "RND() level";
    r.Channels[2].Ylabel = "T";
    r.nChannels = 3;
    auto knob = [](const char* name, double div, double off, double value) {
        return vs::KnobRecord{name, "", div, 0, 0, off, value};
    };
    r.Knobs = {knob("Rs_warn", 1, 0, 7),          knob("RND() level_WARN1", 2, 10, 2000),
               knob("rnd() level_warn2", 1, 0, 5), knob("RND() level_limit", 1, 0, 9),
               knob("T_warn", 0, 0, 100)};
    r.nKnobs = 5;
    EXPECT_EQ(vs::Nymstick_InitWarnLevels(t.link, s), 1);
    EXPECT_EQ(r.Channels[0].WarnLevels, (std::vector<double>{7, 990})); // "RND() level_WARN1" contains "R"
    EXPECT_EQ(r.Channels[0].nWarn, 2);
    EXPECT_EQ(r.Channels[1].WarnLevels, std::vector<double>{990});
    EXPECT_EQ(r.Channels[2].nWarn, 0); // no divisor, no level
    EXPECT_EQ(r.Channels[2].WarnLevels, std::vector<double>{0});
}

TEST(ConfigureStick, PrintsProgressAndErrors)
{
    TestLink t;
    vs::TraceLog trace(t.clock);
    std::vector<std::string> lines;
    const vs::StatusSink sink = [&](const std::string& s) { lines.push_back(s); };
    const int emu = t.link.Nymstick_AddEmulated();
    vs::ConfigureStick(t.link, trace, sink, emu);
    EXPECT_EQ(lines, (std::vector<std::string>{"Sensor 0: Reading...", "S/N:0123456789ABCDEF0123 v1.0 $Revision: 000 $\n"}));

    lines.clear();
    t.addScripted(9, 9, 1);
    t.link.TraceLevel = 1;
    vs::ConfigureStick(t.link, trace, sink, 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"Sensor 1: Reading...", "..Error reading configuration\n"}));
    ASSERT_FALSE(t.debug.empty());
    EXPECT_EQ(t.debug.back().rfind("ERROR: Nym Stick 1:nym_ask('*IDN?', 1):NYM_RECV_ERR_Readfile:", 0), 0u);
}

TEST(SimulatedSticks, EveryGenerationConfiguresAndReadsThroughTheRealExchange)
{
    for (int length : {9, 33, 65}) {
        for (int protocol = 0; protocol <= 6; ++protocol) {
            SCOPED_TRACE("protocol " + std::to_string(protocol) + ", report length " + std::to_string(length));
            vstest::SimSticks sticks;
            ASSERT_TRUE(sticks.attach({{protocol, length}}));
            auto& [clock, link, sims] = sticks;
            const vs::StickRecord& r = *link.slot(0);
            EXPECT_EQ(r.ProtocolVersion, protocol);
            EXPECT_EQ(r.nChannels, 5);
            EXPECT_EQ(r.nKnobs, 4);
            ASSERT_EQ(r.Flags.size(), 4u);
            EXPECT_EQ(r.Flags[0].Value, "&h8001&"); // warming up in its first minute
            EXPECT_EQ(r.Channels[0].WarnLevels, (std::vector<double>{1000, 1500}));
            if (protocol == 1) {
                EXPECT_EQ(r.PollDelayMs, 30);
            }

            // With 65-byte reports the rounded report count is 0: one report holds the reply.
            const int16_t read = vs::Nymstick_ReadPV(link, 0);
            EXPECT_EQ(read, 1);
            EXPECT_EQ(link.StickErrorText, "");
            EXPECT_GE(r.Channels[0].LastValue, 450);
            EXPECT_LE(r.Channels[0].LastValue, 2000);
            EXPECT_NEAR(r.Channels[1].LastValue, 21.5, 3);
            EXPECT_NEAR(r.Channels[2].LastValue, 45, 10);
            EXPECT_NEAR(r.Channels[3].LastValue, 90, 3);
            EXPECT_GT(r.Channels[4].LastValue, 40000);
            if (protocol >= 5) {
                EXPECT_EQ(r.Flags[0].Value, "32769");
            }
            EXPECT_EQ(sims[0]->queuedReports(), 0u) << "every report of the reply was taken";
        }
    }
}

TEST(SimulatedSticks, InjectedFaultsAreRecoveredByTheExchange)
{
    vstest::SimSticks sticks;
    ASSERT_TRUE(sticks.attach({{0, 9}, {3, 9}}));
    auto& [clock, link, sims] = sticks;

    sims[0]->answerNextWithStaleTag();
    EXPECT_EQ(vs::Nymstick_ReadPV(link, 0), 1);
    EXPECT_EQ(link.StickErrorText, "");

    sims[0]->dropReports(1);
    EXPECT_EQ(vs::Nymstick_ReadPV(link, 0), 1);
    EXPECT_EQ(link.StickErrorText, "");
    EXPECT_GE(link.slot(0)->Channels[0].LastValue, 450);

    sims[1]->dropReports(1);
    link.slot(1)->Channels[0].LastValue = -1;
    EXPECT_EQ(vs::Nymstick_ReadPV(link, 1), 1);
    EXPECT_EQ(link.StickErrorText, "");
    EXPECT_GE(link.slot(1)->Channels[0].LastValue, 450);

    sims[1]->failWrites(1);
    EXPECT_EQ(vs::Nymstick_ReadPV(link, 1), 1);
    EXPECT_EQ(link.StickErrorText, "");

    sims[0]->unplug();
    link.slot(0)->Channels[0].LastValue = 5;
    EXPECT_EQ(vs::Nymstick_ReadPV(link, 0), 0);
    EXPECT_EQ(link.StickErrorText, "NYM_SEND_ERROR");
    EXPECT_EQ(link.slot(0)->Channels[0].LastValue, 5);
}

} // namespace
