#include "monitor/command_line.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

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
