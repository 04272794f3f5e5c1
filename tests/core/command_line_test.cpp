#include "core/command_line.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

TEST(CommandLine, FileNamesAfterTheKey)
{
    struct Case {
        const char* text;
        const char* name;
    } cases[] = {
        {"/dump=c:\\a.txt /rst", "c:\\a.txt"},
        {"/rst /dump=\"/tmp/a b.txt\" /x", "/tmp/a b.txt"},
        {"/dump=\"/tmp/unterminated name", "/tmp/unterminated name"},
        {"/dump=", ""},
        {"/rst", ""},
        {"/dump=Mixed/Case.TXT", "Mixed/Case.TXT"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vs::GetFileNameFromStr(c.text, "/dump="), c.name) << c.text;
}

TEST(CommandLine, SwitchesAreWholeArgumentsInAnyCase)
{
    struct Case {
        const char* text;
        bool reset, dfu;
        const char* dump;
    } cases[] = {
        {"/dump=/home/anna/dfu-tests/d.txt", false, false, "/home/anna/dfu-tests/d.txt"},
        {"/dump=/srv/rstudio/d.txt", false, false, "/srv/rstudio/d.txt"},
        {"/DUMP=\"/tmp/My /rst/x.txt\" /Dfu", false, true, "/tmp/My /rst/x.txt"},
        {"/RST\t/dfu", true, true, ""},
        {"/rst/dfu x/rst /rstx \"/rst\"", false, false, ""},
        {"/dump=a.txt /dump=B.txt", false, false, "B.txt"},
        {"  /rst  ", true, false, ""},
        {"", false, false, ""},
    };
    for (const Case& c : cases) {
        const vs::CommandSwitches sw = vs::parseSwitches(c.text);
        EXPECT_EQ(sw.reset, c.reset) << c.text;
        EXPECT_EQ(sw.firmwareUpgrade, c.dfu) << c.text;
        EXPECT_EQ(sw.dumpFile, c.dump) << c.text;
    }
    // What the program gets from the shell: a file name with blanks stays one argument.
    EXPECT_EQ(vs::parseSwitches(vs::commandLineText({"/dump=/tmp/a\tb /rst.txt"})).dumpFile, "/tmp/a\tb /rst.txt");
    EXPECT_FALSE(vs::parseSwitches(vs::commandLineText({"/dump=/tmp/a\tb /rst.txt"})).reset);
}

TEST(CommandLine, ArgumentsWithBlanksKeepTheirQuotes)
{
    EXPECT_EQ(vs::commandLineText({"/dump=/tmp/a b.txt", "/RST"}), "/dump=\"/tmp/a b.txt\" /RST");
    EXPECT_EQ(vs::commandLineText({"/dump=\"/tmp/a b.txt\""}), "/dump=\"/tmp/a b.txt\"");
    EXPECT_EQ(vs::commandLineText({}), "");
}

struct ParseFixture : ::testing::Test {
    vs::ManualClock clock{{2011, 2, 14, 9, 8, 7, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::shared_ptr<vs::SimulatedStick>> sims;
    std::vector<std::string> printed, complaints;
    int waited = 0;
    vs::CommandServices services{link, clock, [this](int ms) { waited += ms; },
                                 [this](const std::string& t) { printed.push_back(t); },
                                 [this](const std::string& t) { complaints.push_back(t); }};
    QTemporaryDir dir;

    void SetUp() override
    {
        sims = vs::attachSimulatedSticks(link, {{5, 9}, {1, 33}}, clock);
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(vs::Nymstick_GetConfig(link, i), 1);
    }
    std::vector<std::string> lines(const std::string& file)
    {
        std::ifstream in(file);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }
};

TEST_F(ParseFixture, ResetInAnyCaseResetsEveryStick)
{
    EXPECT_EQ(vs::ParseCmd(services, "/RsT", true), vs::kReset);
    EXPECT_EQ(sims[0]->commands().back(), "*RST");
    EXPECT_EQ(sims[1]->commands().back(), "*RST");
    EXPECT_EQ(printed.front(), "\f");
    EXPECT_NE(std::find(printed.begin(), printed.end(), "Resetting...\n"), printed.end());
    EXPECT_DOUBLE_EQ(link.slot(1)->ConfiguredAt, clock.now().toDays());
    EXPECT_EQ(vs::ParseCmd(services, "", true), vs::kNoAction);
}

TEST_F(ParseFixture, DumpAppendsOneLinePerStickAfterTheReset)
{
    const std::string file = dir.path().toStdString() + "/Dump Here.txt";
    EXPECT_EQ(vs::ParseCmd(services, "/dump=\"" + file + "\" /rst", false), vs::kDump);
    const auto got = lines(file);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].rfind("110214\t0908", 0), 0u) << got[0];
    EXPECT_NE(got[0].find("\tVentiscope simulated stick 0\t2.3p5 sim\tB\tSIM8\tS/N:SIM"), std::string::npos);
    EXPECT_NE(got[0].find("\thttps://ventiscope.example/sim\tSimulated air\t@"), std::string::npos);
    EXPECT_NE(got[1].find("\t@"), std::string::npos);
    EXPECT_EQ(got[1].back(), '\r'); // CR LF line ends
    EXPECT_TRUE(printed.empty());
    // The reset went to the stick before its dump line was taken.
    const auto& commands = sims[0]->commands();
    EXPECT_LT(std::find(commands.begin(), commands.end(), "*RST") - commands.begin(),
              std::find(commands.begin(), commands.end(), "*TRG") - commands.begin());
}

TEST_F(ParseFixture, ADumpPathHoldingSwitchNamesOnlyDumps)
{
    const std::string file = dir.path().toStdString() + "/dfu-tests/rst";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(file)));
    EXPECT_EQ(vs::ParseCmd(services, "/dump=" + file + "/d.txt", false), vs::kDump);
    EXPECT_EQ(lines(file + "/d.txt").size(), 2u);
    for (const auto& sim : sims) {
        EXPECT_FALSE(sim->inFirmwareUpgrade());
        EXPECT_EQ(std::count(sim->commands().begin(), sim->commands().end(), "*RST"), 0);
    }
    EXPECT_EQ(waited, 0);
}

TEST_F(ParseFixture, AFailedFirmwareUpgradeSaysWhy)
{
    sims[1]->unplug();
    EXPECT_EQ(vs::ParseCmd(services, "/dfu", true), vs::kFirmwareUpgrade);
    EXPECT_TRUE(sims[0]->inFirmwareUpgrade());
    EXPECT_NE(std::find(printed.begin(), printed.end(), "Failed to enter DFU mode: Error=No such device\n"),
              printed.end());
}

TEST_F(ParseFixture, AnEmptyDumpNameOrAnUnknownWordDoesNothing)
{
    EXPECT_EQ(vs::ParseCmd(services, "/dump=", false), vs::kNoAction);
    EXPECT_EQ(vs::ParseCmd(services, "hello", false), vs::kNoAction);
    EXPECT_EQ(sims[0]->commands().size(), 5u); // only the configuration
}

TEST_F(ParseFixture, AnUnwritableDumpFileIsReported)
{
    EXPECT_EQ(vs::ParseCmd(services, "/dump=" + dir.path().toStdString() + "/no/such/dir.txt", false), vs::kDump);
    ASSERT_EQ(complaints.size(), 2u);
    EXPECT_NE(complaints[0].find("Could not write the dump file"), std::string::npos);
}

TEST_F(ParseFixture, FirmwareUpgradeWaitsFiveSecondsAfterwards)
{
    EXPECT_EQ(vs::ParseCmd(services, "/DFU", true), vs::kFirmwareUpgrade);
    EXPECT_TRUE(sims[0]->inFirmwareUpgrade());
    EXPECT_EQ(waited, 5000);
    EXPECT_NE(std::find(printed.begin(), printed.end(),
                        "Device is now entering DFU mode.\nUnplug or reset the USB device to restart it.\n"),
              printed.end());
}

} // namespace
