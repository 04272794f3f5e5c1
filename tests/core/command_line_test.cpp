#include "core/command_line.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

// The arguments as the shell gives them, the switches read from them.
TEST(CommandLine, SwitchesAreWholeArgumentsInAnyCaseAndFileNamesStayWhole)
{
    struct Case {
        QStringList arguments;
        bool reset, dfu;
        const char* dump;
    } cases[] = {
        {{"/dump=/home/anna/dfu-tests/d.txt"}, false, false, "/home/anna/dfu-tests/d.txt"},
        {{"/dump=/srv/rstudio/d.txt"}, false, false, "/srv/rstudio/d.txt"},
        {{"/DUMP=/tmp/My /rst/x.txt", "/Dfu"}, false, true, "/tmp/My /rst/x.txt"},
        {{"/dump=\"/tmp/a b.txt\"", "/x"}, false, false, "/tmp/a b.txt"},
        {{"/dump=\"/tmp/unterminated name"}, false, false, "/tmp/unterminated name"},
        {{"/dump=/tmp/a\tb /rst.txt"}, false, false, "/tmp/a\tb /rst.txt"},
        {{"/RST", "/dfu"}, true, true, ""},
        {{"/rst/dfu", "x/rst", "/rstx", "\"/rst\""}, false, false, ""},
        {{"/dump=a.txt", "/dump=Mixed/Case.TXT"}, false, false, "Mixed/Case.TXT"},
        {{"/dump="}, false, false, ""},
        {{}, false, false, ""},
    };
    for (const Case& c : cases) {
        const std::string text = vs::commandLineText(c.arguments);
        const vs::CommandSwitches sw = vs::parseSwitches(text);
        EXPECT_EQ(sw.reset, c.reset) << text;
        EXPECT_EQ(sw.firmwareUpgrade, c.dfu) << text;
        EXPECT_EQ(sw.dumpFile, c.dump) << text;
    }
    EXPECT_EQ(vs::commandLineText({"/dump=/tmp/a b.txt", "/RST"}), "/dump=\"/tmp/a b.txt\" /RST");
}

// Two configured simulated sticks and what the switches print, complain and wait.
struct Sticks {
    vs::ManualClock clock{{2011, 2, 14, 9, 8, 7, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::shared_ptr<vs::SimulatedStick>> sims = vs::attachSimulatedSticks(link, {{5, 9}, {1, 33}}, clock);
    std::vector<std::string> printed, complaints;
    int waited = 0;
    vs::CommandServices services{link, clock, [this](int ms) { waited += ms; },
                                 [this](const std::string& t) { printed.push_back(t); },
                                 [this](const std::string& t) { complaints.push_back(t); }};

    Sticks()
    {
        for (int i = 0; i < 2; ++i)
            vs::Nymstick_GetConfig(link, i);
    }
    long sent(int stick, const std::string& command) const
    {
        return std::count(sims[stick]->commands().begin(), sims[stick]->commands().end(), command);
    }
    bool said(const std::string& line) const { return std::find(printed.begin(), printed.end(), line) != printed.end(); }
};

std::vector<std::string> lines(const std::string& file)
{
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

TEST(ParseCmd, EachSwitchActsOnEveryStick)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    struct Case {
        std::string line;
        bool verbose;
        int action;
        long resets;      // "*RST" sent to each stick
        bool upgrading;   // both sticks in firmware-upgrade mode
        std::string dump; // the file that gets a line per stick
    } cases[] = {
        {"", true, vs::kNoAction, 0, false, ""},
        {"/RsT", true, vs::kReset, 1, false, ""},
        {"/dump=\"" + dir + "/Dump Here.txt\" /rst", false, vs::kDump, 1, false, dir + "/Dump Here.txt"},
        {"/DFU", true, vs::kFirmwareUpgrade, 0, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Sticks t;
        EXPECT_EQ(vs::ParseCmd(t.services, c.line, c.verbose), c.action);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(t.sent(i, "*RST"), c.resets);
            EXPECT_EQ(t.sims[i]->inFirmwareUpgrade(), c.upgrading);
        }
        if (c.action == vs::kNoAction) {
            EXPECT_EQ(t.sims[0]->commands().size(), 5u) << "only the configuration";
        }
        EXPECT_EQ(t.waited, c.upgrading ? 5000 : 0) << "the responsive wait after the upgrade request";
        EXPECT_EQ(t.printed.empty(), !c.verbose || c.line.empty());
        if (c.resets) {
            EXPECT_DOUBLE_EQ(t.link.slot(1)->ConfiguredAt, t.clock.now().toDays());
        }
        if (c.upgrading) {
            EXPECT_TRUE(t.said("Device is now entering DFU mode.\nUnplug or reset the USB device to restart it.\n"));
        }
        if (c.dump.empty())
            continue;
        const auto got = lines(c.dump);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].rfind("110214\t0908", 0), 0u) << got[0];
        EXPECT_NE(got[0].find("\tVentiscope simulated stick 0\t2.3p5 sim\tB\tSIM8\tS/N:SIM"), std::string::npos);
        EXPECT_NE(got[0].find("\thttps://ventiscope.example/sim\tSimulated air\t@"), std::string::npos);
        EXPECT_EQ(got[1].back(), '\r'); // CR LF line ends
    }
}

TEST(ParseCmd, FailuresAreSaid)
{
    // The reset goes to the stick before its dump line is taken; a dump file
    // that cannot be written is reported.
    Sticks t;
    QTemporaryDir dir;
    EXPECT_EQ(vs::ParseCmd(t.services, "/rst /dump=" + dir.path().toStdString() + "/no/such/dir.txt", false), vs::kDump);
    const auto& commands = t.sims[0]->commands();
    EXPECT_LT(std::find(commands.begin(), commands.end(), "*RST") - commands.begin(),
              std::find(commands.begin(), commands.end(), "*TRG") - commands.begin());
    ASSERT_EQ(t.complaints.size(), 2u);
    EXPECT_NE(t.complaints[0].find("Could not write the dump file"), std::string::npos);

    t.sims[1]->unplug();
    EXPECT_EQ(vs::ParseCmd(t.services, "/dfu", true), vs::kFirmwareUpgrade);
    EXPECT_TRUE(t.sims[0]->inFirmwareUpgrade());
    EXPECT_TRUE(t.said("Failed to enter DFU mode: Error=No such device\n"));
}

} // namespace
