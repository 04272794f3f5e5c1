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

TEST(StickTable, DebugOutputFollowsTheTraceLevel)
{
    TestLink t;
    t.link.TraceLevel = 50;
    t.link.DebugOut("scan", 50);
    t.link.DebugOut("report", 210);
    EXPECT_EQ(t.debug, std::vector<std::string>{"scan"});
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

TEST_F(TraceFileTest, NothingIsWrittenWhileTracingIsOff)
{
    TestLink t;
    vs::TraceLog log(t.clock);
    log.FileName = (dir / "trace.txt").string();
    log.LogTrace("hello");
    EXPECT_FALSE(std::filesystem::exists(dir / "trace.txt"));
}

TEST_F(TraceFileTest, EnablingReplacesTheOldFileAndLinesAreDated)
{
    TestLink t;
    t.clock.set({2026, 3, 4, 5, 6, 7, 0});
    const auto file = dir / "trace.txt";
    std::ofstream(file) << "old content\n";
    vs::TraceLog log(t.clock);
    log.enable(file.string(), t.link);
    EXPECT_EQ(t.link.TraceLevel, 230);
    log.LogTrace("Form1:DevChange_callback():");
    EXPECT_EQ(lines(file), std::vector<std::string>{"2026-03-04 05:06:07 Form1:DevChange_callback():"});

    // An unwritable trace file is no error.
    log.FileName = (dir / "missing" / "x.txt").string();
    log.LogTrace("dropped");
}

TEST_F(TraceFileTest, DumpTraceInfoWritesOneLinePerSlotAfterTheCounts)
{
    TestLink t;
    t.link.Nymstick_AddEmulated();
    t.link.Nymstick_AddEmulated();
    vs::TraceLog log(t.clock);
    log.enable((dir / "trace.txt").string(), t.link);
    vs::DumpTraceInfo(t.link, log);
    std::ifstream in(dir / "trace.txt");
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("Nymstick_CountConnected =2\n"), std::string::npos);
    EXPECT_NE(all.find("nNymsticks =2\n"), std::string::npos);
    // Four trace lines, each starting with its date.
    size_t dated = 0;
    for (size_t p = all.find("2026-"); p != std::string::npos; p = all.find("\n2026-", p + 1))
        ++dated;
    EXPECT_EQ(dated, 4u);
}

} // namespace
