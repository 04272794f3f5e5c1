#include "stick/config_read.h"
#include "stick/device_change.h"
#include "stick/device_scan.h"
#include "stick/exchange.h"
#include "stick/hidapi_backend.h"
#include "stick/report_io.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/stick_owner.h"


#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <utility>

namespace {

struct ScanFixture : ::testing::Test {
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::SimulatedBackend bus{clock};
    vs::DeviceScanner scanner{link, bus};
    std::vector<std::string> advice;

    void SetUp() override
    {
        scanner.onPermissionProblem = [this](const std::string& a) { advice.push_back(a); };
    }
};

TEST_F(ScanFixture, OpenSticksKeepTheirHandlesAndConfiguration)
{
    auto first = bus.plug({5, 9});
    EXPECT_EQ(scanner.Nymstick_Find(), 1);
    EXPECT_EQ(link.slot(0)->Seen, 2);
    EXPECT_EQ(link.slot(0)->Interface, "USB");
    EXPECT_EQ(link.slot(0)->InputReportLength, 9);
    ASSERT_EQ(vs::Nymstick_GetConfig(link, 0), 1);
    const auto device = link.slot(0)->Device;

    bus.plug({1, 33}, 0x2023); // the other product of the sticks
    EXPECT_EQ(scanner.Nymstick_Find(), 2);
    EXPECT_EQ(link.slot(0)->Seen, 1);
    EXPECT_EQ(link.slot(0)->Device, device);
    EXPECT_EQ(link.slot(0)->nChannels, 5);
    EXPECT_EQ(link.slot(1)->Seen, 2);
    EXPECT_EQ(link.SticksConnected, 2);
}

TEST_F(ScanFixture, EmulatedSlotsCloseAtAnyScan)
{
    link.Nymstick_AddEmulated();
    link.Nymstick_AddEmulated();
    EXPECT_EQ(scanner.Nymstick_Find(), 0);
    EXPECT_EQ(link.Nymstick_CountConnected(), 0);
    link.Nymstick_AddEmulated();
    bus.plug({5, 9});
    EXPECT_EQ(scanner.Nymstick_Find(), 1);
    EXPECT_FALSE(link.Nymstick_isOpen(2));
    EXPECT_TRUE(link.Nymstick_isOpen(3));
}

TEST_F(ScanFixture, TheAdviceNeverRewritesARuleInPlaceAndAFixedStickIsTakenLater)
{
    // Where the rule lives decides the advice; no command reads and writes one file.
    struct Case {
        const char* rule;
        bool service;
        const char* says;
    } cases[] = {
        {"/usr/lib/udev/rules.d/70-ventiscope.rules", true, "the group plugdev, which the service joins"},
        {"/etc/udev/rules.d/70-ventiscope.rules", true, "sudo rm /etc/udev/rules.d/70-ventiscope.rules"},
        {"/home/anna/ventiscope/data/70-ventiscope.rules", false, "sudo cp /home/anna/ventiscope/data/70-ventiscope.rules /etc/"},
    };
    for (const Case& c : cases) {
        const std::string advice = vs::udevRuleAdvice("/dev/hidraw3", c.rule, c.service);
        EXPECT_NE(advice.find(c.says), std::string::npos) << advice;
        EXPECT_NE(advice.find("--action=change"), std::string::npos) << advice;
        EXPECT_EQ(advice.find("tee"), std::string::npos) << advice;
        EXPECT_EQ(advice.find("sed"), std::string::npos) << advice;
    }
    // Told once for any number of sticks and scans; the sticks are skipped.
    int unopened = 0;
    scanner.onUnopened = [&] { ++unopened; };
    bus.plug({5, 9});
    bus.plug({5, 9});
    bus.denyAccess("sim:0");
    bus.denyAccess("sim:1");
    EXPECT_EQ(scanner.Nymstick_Find(), 0);
    EXPECT_EQ(scanner.Nymstick_Find(), 0);
    ASSERT_EQ(advice.size(), 1u);
    EXPECT_NE(advice[0].find("udevadm control --reload-rules"), std::string::npos);
    EXPECT_EQ(scanner.unopenedCount(), 2u);
    EXPECT_GE(unopened, 1) << "the caller is asked to look again";
    bus.allowAccess("sim:0");
    EXPECT_EQ(scanner.Nymstick_Find(), 1) << "once the permissions are fixed";
    EXPECT_EQ(scanner.unopenedCount(), 1u);
}

TEST(StickOwner, OneProgramHoldsAStickAndTheOtherIsToldWho)
{
    const std::string node =
        (std::filesystem::temp_directory_path() / ("vs-hidraw-" + std::to_string(::getpid()))).string();
    std::ofstream(node).put('x');
    int first = -1, second = -1;
    std::string reason;
    ASSERT_TRUE(vs::lockStick(node, first, reason));
    ASSERT_GE(first, 0);
    EXPECT_FALSE(vs::lockStick(node, second, reason));
    EXPECT_EQ(second, -1);
    EXPECT_EQ(reason.rfind("in use by another program: stick_tests (process ", 0), 0u) << reason;
    ::close(first);
    EXPECT_TRUE(vs::lockStick(node, second, reason)) << "free again once the holder closes";
    ::close(second);
    std::filesystem::remove(node);

    using vs::holderFromCommandLine;
    EXPECT_EQ(holderFromCommandLine(std::string("/usr/bin/ventiscope\0--headless\0", 30), 812),
              "the Ventiscope service (process 812); stop it (sudo systemctl stop ventiscope) to use the stick here");
    EXPECT_EQ(holderFromCommandLine(std::string("ventiscope\0", 11), 9),
              "another Ventiscope window (process 9); close it to use the stick here");
    EXPECT_EQ(holderFromCommandLine("", 5), "another program (process 5)");
}

TEST_F(ScanFixture, FirmwareUpgradeSendsNothingOnAShortFeatureReport)
{
    auto stick = bus.plug({5, 9});
    scanner.Nymstick_Find();
    link.slot(0)->FeatureReportLength = 4;
    EXPECT_EQ(vs::Nymstick_EnterDFU(link, 0), 0);
    EXPECT_FALSE(stick->inFirmwareUpgrade());
    EXPECT_NE(link.StickErrorText.find("holds 4 bytes"), std::string::npos) << link.StickErrorText;
    link.slot(0)->FeatureReportLength = 9;
    EXPECT_EQ(vs::Nymstick_EnterDFU(link, 0), 1);
    EXPECT_TRUE(stick->inFirmwareUpgrade());
    EXPECT_EQ(scanner.Nymstick_Find(), 0) << "the stick left the bus";
    EXPECT_EQ(link.StickErrorText, "");
}

struct ChangeFixture : ScanFixture {
    int callbacks = 0;
    std::vector<std::pair<int, int>> beeps;
    std::function<void()> inCallback;
    vs::DeviceChangeHandler handler{link, scanner, [this] {
                                        ++callbacks;
                                        if (inCallback)
                                            inCallback();
                                    }};
    void SetUp() override
    {
        ScanFixture::SetUp();
        link.setBeep([this](int f, int ms) { beeps.emplace_back(f, ms); });
    }
};

TEST_F(ChangeFixture, AChangedSetOfSticksCallsBackAnUnchangedOneDoesNot)
{
    bus.plug({5, 9});
    EXPECT_TRUE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{{2000, 200}}));
    bus.plug({5, 9}, 0x1234); // another device of the vendor: a scan, no callback
    handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(callbacks, 1);
    handler.DeviceWindowProc(vs::DeviceEvent::OtherDeviceChange);
    handler.DeviceWindowProc(vs::DeviceEvent::Suspend);
    EXPECT_EQ(callbacks, 1);
    bus.unplug("sim:0");
    handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(callbacks, 2);

    // One gone and one come, folded into one event: the count is the same, the set is not.
    bus.plug({5, 9});
    handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(callbacks, 3);
    bus.unplug("sim:2");
    bus.plug({1, 9});
    handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(callbacks, 4);
    EXPECT_FALSE(link.Nymstick_isOpen(link.Nymstick_FindSlot("sim:2")));

    // The same node name back for a stick that left meanwhile: its old handle is dead.
    bus.unplug("sim:3");
    bus.replug("sim:3");
    handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(callbacks, 5);
    const int slot = link.Nymstick_FindSlot("sim:3");
    EXPECT_EQ(link.slot(slot)->Seen, 2) << "opened anew";
}

TEST_F(ChangeFixture, ResumeRebuildsTheTableInScanOrderEvenTwice)
{
    link.Nymstick_AddEmulated();
    bus.plug({5, 9});
    bus.plug({1, 9});
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(handler.DeviceWindowProc(vs::DeviceEvent::Resume));
        EXPECT_EQ(link.SlotsReserved, 2);
        EXPECT_EQ(link.slot(0)->DevicePath, "sim:0");
        EXPECT_EQ(link.slot(1)->DevicePath, "sim:1");
        EXPECT_EQ(vs::Nymstick_GetConfig(link, 1), 1) << link.StickErrorText;
    }
    EXPECT_EQ(callbacks, 2);
    EXPECT_TRUE(beeps.empty());
}

// The callback configures every new stick, as the window's does.
struct ConfiguringFixture : ChangeFixture {
    int retriesAsked = 0;
    std::function<void()> inWait;
    void SetUp() override
    {
        ChangeFixture::SetUp();
        inCallback = [this] {
            for (int i = 0; i < link.SlotsReserved; ++i)
                if (link.Nymstick_isOpen(i) && link.slot(i)->nChannels == 0)
                    vs::Nymstick_GetConfig(link, i);
        };
        handler.retryLater = [this] { ++retriesAsked; };
        link.setWait([this](int ms) {
            clock.advanceMs(ms);
            if (auto f = std::exchange(inWait, nullptr))
                f();
        });
        bus.plug({5, 9});
        handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
        ASSERT_EQ(link.slot(0)->nChannels, 5);
    }
};

TEST_F(ConfiguringFixture, AStickPluggedInDuringAnExchangeIsConfiguredAfterIt)
{
    // The system tells of the new stick while the exchange waits for its reply.
    inWait = [this] {
        bus.plug({1, 9});
        EXPECT_FALSE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
    };
    EXPECT_NE(vs::nym_ask(link, "*TRG", 0, 20).find(";"), std::string::npos);
    EXPECT_EQ(retriesAsked, 1);
    EXPECT_TRUE(handler.hasPending());
    EXPECT_EQ(callbacks, 1);

    handler.runPending();
    EXPECT_FALSE(handler.hasPending());
    EXPECT_EQ(callbacks, 2);
    ASSERT_EQ(link.SlotsReserved, 2);
    EXPECT_EQ(link.slot(1)->nChannels, 5);
}

TEST_F(ConfiguringFixture, AChangeKeptWhileBusyWaitsForTheNextTry)
{
    bool passRunning = true;
    handler.busy = [&] { return passRunning; };
    bus.plug({1, 9});
    EXPECT_FALSE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
    EXPECT_FALSE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
    EXPECT_EQ(retriesAsked, 1) << "one retry for any number of kept events";
    handler.runPending(); // still busy: kept again, another retry asked
    EXPECT_EQ(retriesAsked, 2);
    EXPECT_EQ(link.SlotsReserved, 1) << "no scan while busy";
    passRunning = false;
    handler.runPending();
    ASSERT_EQ(link.SlotsReserved, 2);
    EXPECT_EQ(link.slot(1)->nChannels, 5);
}

TEST_F(ConfiguringFixture, AStickPluggedInDuringTheCallbackIsConfiguredToo)
{
    // While the callback configures the first new stick, a second one comes.
    bool once = true;
    auto configure = inCallback;
    inCallback = [&] {
        if (std::exchange(once, false)) {
            bus.plug({1, 9});
            EXPECT_FALSE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
        }
        configure();
    };
    bus.plug({5, 33});
    EXPECT_TRUE(handler.DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
    ASSERT_EQ(link.SlotsReserved, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(link.slot(i)->nChannels, 5) << i;
    EXPECT_EQ(retriesAsked, 0) << "the running handler took it up itself";
}

TEST_F(ChangeFixture, RegisteringFollowsTheHotPlugSwitch)
{
    int starts = 0, stops = 0;
    handler.startWatching = [&] { ++starts; return true; };
    handler.stopWatching = [&] { ++stops; };
    handler.hotPlugEnabled = false;
    handler.RegisterHIDwindow();
    EXPECT_FALSE(handler.registered());
    handler.hotPlugEnabled = true;
    handler.RegisterHIDwindow();
    handler.RegisterHIDwindow();
    EXPECT_EQ(starts, 1);
    handler.UnRegisterHIDwindow();
    handler.UnRegisterHIDwindow();
    EXPECT_EQ(stops, 1);
}

TEST(InputReports, TheReportIdByteIsAlwaysFirst)
{
    const uint8_t withoutId[] = {'@', '0', '0', '0', '1', ';', 0x0A, 0};
    uint8_t out[9];
    std::fill(std::begin(out), std::end(out), 0xEE);
    vs::normalizeInputReport(withoutId, 8, false, out, 9);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], '@');
    EXPECT_EQ(out[8], 0);

    const uint8_t withId[] = {0, '@', '0', '0', '0', '1', ';', 0x0A, 0};
    std::fill(std::begin(out), std::end(out), 0xEE);
    vs::normalizeInputReport(withId, 9, true, out, 9);
    EXPECT_EQ(out[1], '@');
    EXPECT_EQ(out[7], 0x0A);

    // A short read fills what came and zeros after it (no byte of an earlier
    // read survives); its real length is told. A long one is cut to the report length.
    std::fill(std::begin(out), std::end(out), 0xEE);
    EXPECT_EQ(vs::normalizeInputReport(withoutId, 3, false, out, 9), 4u);
    EXPECT_EQ(out[3], '0');
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[8], 0);
    uint8_t small[4];
    vs::normalizeInputReport(withoutId, 8, false, small, 4);
    EXPECT_EQ(small[3], '0');
}

} // namespace
