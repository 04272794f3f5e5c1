#include "fake_host.h"
#include "net/net_interpreter.h"
#include "net/net_text.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Interp : ::testing::Test {
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vstest::FakeHost host;
    vs::NetInterpreter net{link, host, "Nym USB server Version 2.41.0 svn:$Rev: 7 $ $Date: 2026-12-06 "};

    // Runs one line through the line loop; returns the reply without the prompt.
    std::string ask(const std::string& line)
    {
        net.receive(line);
        std::string reply = host.take();
        const size_t prompt = reply.rfind(":Nym>");
        return prompt == std::string::npos ? reply : reply.substr(0, prompt - 4);
    }
};

TEST_F(Interp, PromptsCountInHexAndWrapAfterFFFF)
{
    net.SendPrompt();
    EXPECT_EQ(host.take(), "0001:Nym>");
    net.nw_PromptCount = 65534;
    net.SendPrompt();
    net.SendPrompt();
    net.SendPrompt();
    EXPECT_EQ(host.take(), "FFFF:Nym>0000:Nym>0001:Nym>");
    host.socketState = 0; // not connected: nothing goes out, the count still moves
    net.SendPrompt();
    EXPECT_EQ(host.take(), "");
    EXPECT_EQ(net.nw_PromptCount, 2);
}

TEST_F(Interp, CommandsMatchByPrefixInOrder)
{
    const std::string version = "Nym USB server Version 2.41.0 svn:$Rev: 7 $ $Date: 2026-12-06 \r\n";
    const std::string help = vs::NetInterpreter::SyntaxHelp() + "\r\n";
    struct Case {
        const char* line;
        std::string reply;
    } cases[] = {
        {"HELP\n", help},
        {"Help me\r\n", help},
        {"ver\n", version},
        {"verbose\n", version},
        {"lsx\n", "updateplot\r\n"},
        {"m\r\n", "? unrecognized command 'm\\x0D'\r\n"},
        {"hello\x1b\r\n", "? unrecognized command 'hello\\x1B\\x0D'\r\n"},
        {"update [none]1|2\n", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ask(c.line), c.reply) << c.line;
    ask("updateplotting\n");
    EXPECT_EQ(host.deviceChanges, 1);
    ask("BYE\n");
    EXPECT_EQ(host.restarts, 1);
    EXPECT_EQ(net.nw_PromptCount, 10) << "every line gets its prompt";
    host.mode = 0; // off: "trg" gets nothing but its prompt
    EXPECT_EQ(ask("trg\n"), "");
}

TEST_F(Interp, TheLineLoopDropsShortLinesPromptsAndErrorReplies)
{
    // A line of one character empties the whole buffer, the text behind it too.
    net.receive("a\nver\n");
    EXPECT_EQ(host.take(), "");
    EXPECT_TRUE(net.nw_RxBuf.empty());
    net.receive("\r\nver\n");
    EXPECT_EQ(host.take(), "");
    // A prompt before a line is dropped; the line runs.
    EXPECT_EQ(ask("0003:Nym>ver\n").rfind("Nym USB server", 0), 0u);
    // Error replies are never answered.
    net.receive("? unrecognized command 'x'\r\n");
    EXPECT_EQ(host.take(), "");
    // A prompt without a line stays until a line comes.
    net.receive("0009:Nym>");
    EXPECT_EQ(host.take(), "");
    EXPECT_EQ(ask("ver\n").rfind("Nym USB server", 0), 0u);
    // While the first prompt is awaited nothing is interpreted.
    net.nw_WaitingPrompt = true;
    net.receive("ver\n");
    EXPECT_TRUE(net.nw_WaitingPrompt);
    net.receive("0001:Nym>");
    EXPECT_FALSE(net.nw_WaitingPrompt);
    EXPECT_EQ(host.take(), "");
}

TEST_F(Interp, APeersMessagesAreMarkedAsItsOwnAndAFloodIsCountedNotShown)
{
    host.host = "10.0.0.5";
    ask("m Sensor 0: no values: the stick is gone\x07\n");
    EXPECT_EQ(host.printed, (std::vector<std::string>{"Message from 10.0.0.5: Sensor 0: no values: the stick is gone\n"}));
    EXPECT_EQ(host.holds, std::vector<int>{0});
    ask("m \x01\x02\n");
    EXPECT_EQ(host.printed.back(), "\f") << "an empty message clears the text";
    host.printed.clear();
    for (int i = 0; i < 100; ++i)
        ask("m forged\n");
    // However slow the machine, a second holds at most ten of them.
    const long shown = std::count(host.printed.begin(), host.printed.end(), "Message from 10.0.0.5: forged\n");
    EXPECT_LT(shown, 100);
    net.sayUnshownMessages();
    long counted = 0;
    for (const std::string& line : host.printed)
        if (const auto at = line.find(" more messages from 10.0.0.5 were not shown (at most 10 a second are)\n");
            at != std::string::npos)
            counted += std::stol(line.substr(0, at));
    EXPECT_EQ(shown + counted, 100) << "every message is shown or counted";
    EXPECT_GT(counted, 0);
}

TEST(NetText, Brackets)
{
    struct Case {
        const char* text;
        const char* first;
        const char* last;
    } cases[] = {
        {"[abc]", "abc", "abc"}, {"xab]", "ab", "ab"},     {"x]", "", ""},
        {"[abc", "ab", "ab"},    {"[a]b]", "a", "a]b"},   {"", "", ""},
        {"add [USB:sim:0:1]M|2", "USB:sim:0:1", "USB:sim:0:1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vs::GetBracket_first(c.text), c.first) << c.text;
        EXPECT_EQ(vs::GetBracket_last(c.text), c.last) << c.text;
    }
    EXPECT_EQ(vs::CleanString("a\tb\x7F\xC3\xA9" "c"), "abc");
    EXPECT_EQ(vs::leadingWireNumber("  -12.5e2xyz"), -1250);
    EXPECT_EQ(vs::leadingWireNumber("800\r"), 800);
    EXPECT_EQ(vs::leadingWireNumber("abc"), 0);
    EXPECT_EQ(vs::leadingWireNumber("1e999"), 0);
}

TEST_F(Interp, AddAndUpdateFillNetworkSticks)
{
    ask("add [USB:X:0]M|2|0|CO2|ppm|812.5|1|T|C|21\r\n");
    ASSERT_EQ(link.SlotsReserved, 1);
    const vs::StickRecord& s = *link.slot(0);
    EXPECT_EQ(s.Interface, "NW");
    EXPECT_EQ(s.DevicePath, "10.0.0.9:5800:USB:X:0");
    EXPECT_EQ(s.Name, "10.0.0.9");
    EXPECT_EQ(s.mcu, "M");
    ASSERT_EQ(s.nChannels, 2);
    EXPECT_EQ(s.Channels[0].Ylabel, "CO2");
    EXPECT_EQ(s.Channels[0].LastValue, 812.5);
    EXPECT_EQ(s.Channels[1].LastValue, 21);
    EXPECT_TRUE(link.Nymstick_isOpen(0));

    ask("update [USB:X:0]2|21.5|800\r\n");
    EXPECT_EQ(link.slot(0)->Channels[0].LastValue, 21.5);
    EXPECT_EQ(link.slot(0)->Channels[1].LastValue, 800);
    // Fewer fields leave the rest; other ids change nothing.
    ask("update [USB:X:0]2|7\n");
    ask("update [USB:Y:0]2|1|1\n");
    EXPECT_EQ(link.slot(0)->Channels[0].LastValue, 7);
    EXPECT_EQ(link.slot(0)->Channels[1].LastValue, 800);
    // What the plot cannot hold is refused like any non-number: the value stays.
    for (const char* refused : {"abc", "1e308", "nan", "inf", "-inf", "21474837"}) {
        ask(std::string("update [USB:X:0]2|") + refused + "|\n");
        EXPECT_EQ(link.slot(0)->Channels[0].LastValue, 7) << refused;
    }

    // Listed again (a second "ls"): the same slot is refreshed.
    ask("add [USB:X:0]M|1|0|CO2|ppm|1\n");
    EXPECT_EQ(link.SlotsReserved, 1);
    EXPECT_EQ(link.slot(0)->nChannels, 1);
    // A stick without channels, and one whose line is cut short.
    ask("add [USB:Z:0]M|0\n");
    ask("add [USB:W:0]M|3|0|A\n");
    ASSERT_EQ(link.SlotsReserved, 3);
    EXPECT_TRUE(link.Nymstick_isOpen(1));
    EXPECT_EQ(link.slot(1)->nChannels, 0);
    EXPECT_EQ(link.slot(2)->nChannels, 3);
    EXPECT_EQ(link.slot(2)->Channels[2].Ylabel, "");
}

TEST_F(Interp, AHostilePeerCannotGrowTheTableOrThePlotWithoutBound)
{
    EXPECT_EQ(ask("add [big]M|65\n").rfind("? too many channels", 0), 0u);
    EXPECT_EQ(link.SlotsReserved, 0);
    // At most 256 curves in the plot in all: four sticks of 64 channels.
    std::string replies;
    for (int i = 0; i < 100; ++i)
        replies += ask("add [wide" + std::to_string(i) + "]M|64|" + std::string(64 * 4, '|') + "\n");
    EXPECT_EQ(link.SlotsReserved, 4);
    EXPECT_NE(replies.find("? too many curves (the plot holds at most 256)"), std::string::npos);
    EXPECT_EQ(host.printed.back(), "Network: a sensor of 64 channels from 10.0.0.9 was refused: the plot holds at "
                                   "most 256 curves\n");
    // At most 64 open network sticks.
    EXPECT_EQ(net.closeNetworkSticks(), 4);
    replies.clear();
    for (int i = 0; i < 1000; ++i)
        replies += ask("add [s" + std::to_string(i) + "]M|1|0|CO2|ppm|1\n");
    EXPECT_EQ(link.Nymstick_CountConnected(), vs::NetInterpreter::kMaxNetworkSticks);
    EXPECT_NE(replies.find("? too many network sensors (at most 64)"), std::string::npos);

    // The sticks of a connection that ended stop counting; the same peer's
    // stick, added again from a new connection (another port), takes its slot again.
    const int slots = link.SlotsReserved;
    EXPECT_EQ(net.closeNetworkSticks(), 64);
    host.port = "40001";
    ask("add [s3]M|1|0|CO2|ppm|1\n");
    EXPECT_EQ(link.SlotsReserved, slots);
    EXPECT_EQ(link.slot(link.Nymstick_FindSlot("10.0.0.9:40001:s3"))->Interface, "NW");
    EXPECT_EQ(link.Nymstick_CountConnected(), 1);
}

TEST_F(Interp, AnOverLongLineIsDroppedWholeAndItsTailNeverRuns)
{
    net.receive(std::string(100000, 'x'));
    net.receive("ver\n"); // after a pause: still the same line
    EXPECT_EQ(host.take(), "") << "no reply to the tail of a dropped line";
    EXPECT_EQ(ask("ver\n").rfind("Nym USB server", 0), 0u) << "the next line runs";

    // Before the first prompt the same bound holds.
    net.nw_WaitingPrompt = true;
    net.receive(std::string(70000, 'y'));
    EXPECT_TRUE(net.promptOverflow());
    EXPECT_LE(net.pending(), vs::NetInterpreter::kMaxLine);
}

} // namespace
