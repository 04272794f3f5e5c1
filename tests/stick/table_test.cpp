#include "script_transport.h"
#include "stick/config_read.h"
#include "stick/report_io.h"
#include "stick/stick_info.h"
#include "stick/trace_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using vstest::TestLink;

TEST(StickTable, SlotsAreFoundByPathAndNeverRemoved)
{
    TestLink t;
    vs::StickLink& L = t.link;
    EXPECT_EQ(L.Nymstick_CountConnected(), 0);
    EXPECT_EQ(L.Nymstick_AddSlot("/dev/hidraw3"), 0);
    EXPECT_EQ(L.Nymstick_AddSlot("/dev/hidraw4"), 1);
    EXPECT_EQ(L.Nymstick_AddSlot("/dev/hidraw3"), 0);
    EXPECT_EQ(L.SlotsReserved, 2);
    EXPECT_EQ(L.Nymstick_FindSlot("/dev/HIDRAW3"), -1);

    EXPECT_EQ(L.Nymstick_AddEmulated(), 2);
    EXPECT_EQ(L.Nymstick_AddEmulated(), 3);
    EXPECT_EQ(L.slot(3)->DevicePath, "3");
    EXPECT_EQ(L.slot(3)->Interface, "EMU");
    EXPECT_EQ(L.slot(3)->mcu, "EMU");
    EXPECT_TRUE(L.Nymstick_isOpen(2));
    EXPECT_FALSE(L.Nymstick_isOpen(0));
    EXPECT_FALSE(L.Nymstick_isOpen(-1));
    EXPECT_FALSE(L.Nymstick_isOpen(L.SlotsReserved + 5));
    EXPECT_EQ(L.Nymstick_CountConnected(), 2);
    EXPECT_EQ(L.SticksConnected, 2);

    // Closing keeps the slot and its path but forgets the configuration.
    vs::Nymstick_GetConfig(L, 2);
    ASSERT_GT(L.slot(2)->nChannels, 0);
    vs::Nymstick_Close(L, 2);
    EXPECT_FALSE(L.Nymstick_isOpen(2));
    EXPECT_EQ(L.slot(2)->DevicePath, "2");
    EXPECT_EQ(L.slot(2)->nChannels, 0);
    EXPECT_TRUE(L.slot(2)->Channels.empty());
    EXPECT_TRUE(L.slot(2)->Flags.empty());
    EXPECT_EQ(L.Nymstick_CountConnected(), 1);
}

TEST(StickDescription, ListsIdentityChannelsKnobsAndFlags)
{
    TestLink t;
    t.link.Nymstick_AddSlot("gone");
    const int emu = t.link.Nymstick_AddEmulated();
    vs::Nymstick_GetConfig(t.link, emu);
    EXPECT_EQ(vs::StickDescription(t.link, 0), "Device 0:\r\nNot connected\r\n");
    const std::string d = vs::StickDescription(t.link, emu);
    EXPECT_EQ(d.rfind("Device 1:\r\nName: Nym Stick emulator 1\r\nFirmware: 1.0 $Revision: 000 $\r\nProtocol: 0\r\n"
                      "Hardware: A\r\nProcessor: EMU\r\nSerial number: S/N:0123456789ABCDEF0123\r\n",
                      0),
              0u)
        << d;
    EXPECT_NE(d.find("Plot title: Random values\r\n\r\nChannels: 5\r\n... Channel 0:RND() level\r\n"), std::string::npos);
    EXPECT_NE(d.find("Knobs: 3\r\n... Knob RND() level_warn1:1000\r\n"), std::string::npos);
    EXPECT_NE(d.find("Flags: 4\r\n... WARMUP=&h0000&\r\n"), std::string::npos);
    EXPECT_EQ(d.substr(d.size() - 4), "\r\n\r\n");

    // Three identity fields or fewer: no serial, web address or title lines.
    t.link.slot(emu)->IdFields.resize(3);
    EXPECT_EQ(vs::StickDescription(t.link, emu).find("Serial number"), std::string::npos);
}

class TraceFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("vs_trace_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::vector<std::string> lines(const std::filesystem::path& p)
    {
        std::ifstream in(p);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }
    std::filesystem::path dir;
};

TEST_F(TraceFileTest, TracingOnReplacesTheFileDatesItsLinesAndDumpsTheTable)
{
    TestLink t;
    t.clock.set({2026, 3, 4, 5, 6, 7, 0});
    const auto file = dir / "trace.txt";
    vs::TraceLog log(t.clock);
    log.FileName = file.string();
    log.LogTrace("while off"); // nothing is written
    EXPECT_FALSE(std::filesystem::exists(file));

    std::ofstream(file) << "old content\n";
    log.enable(file.string(), t.link);
    EXPECT_EQ(t.link.TraceLevel, 230);
    log.LogTrace("Form1:DevChange_callback():");
    EXPECT_EQ(lines(file), std::vector<std::string>{"2026-03-04 05:06:07 Form1:DevChange_callback():"});

    t.link.Nymstick_AddEmulated();
    t.link.Nymstick_AddEmulated();
    vs::DumpTraceInfo(t.link, log);
    const auto dumped = lines(file);
    EXPECT_NE(std::find(dumped.begin(), dumped.end(), "2026-03-04 05:06:07 Nymstick_CountConnected =2"), dumped.end());
    EXPECT_EQ(std::count_if(dumped.begin(), dumped.end(), [](const std::string& l) { return l.rfind("2026-", 0) == 0; }),
              5) << "each trace line dated";

    // An unwritable trace file is no error.
    log.FileName = (dir / "missing" / "x.txt").string();
    log.LogTrace("dropped");
}

} // namespace
