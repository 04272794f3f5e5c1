// The start-up and the commands that act on sticks, run by the core with a
// test face: the window only calls them.
#include "core/sampling_loop.h"
#include "core/value_log.h"
#include "stick/device_change.h"
#include "core_fixture.h"
#include "stick/knob_flag.h"
#include "stick/sim_stick.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Commands : vstest::CoreFixture {
    void start(int sticks, const QString& ini = "HIDsettings/StartOnLoad=0\n")
    {
        for (int i = 0; i < sticks; ++i)
            bus.plug(vs::SimSpec{5, 9});
        startCore(ini);
        prompts.shown.clear();
    }
    long sent(int stick, const std::string& command)
    {
        const auto& c = bus.stick("sim:" + std::to_string(stick))->commands();
        return std::count(c.begin(), c.end(), command);
    }
};

TEST_F(Commands, TheStartUpRunsTheFacesStepsInTheDescribedOrder)
{
    bus.plug(vs::SimSpec{5, 9});
    bus.plug(vs::SimSpec{1, 33});
    QSettings file(ini(), QSettings::IniFormat);
    file.setValue("HIDsettings/StartOnLoad", 0);
    file.sync();
    store = std::make_unique<vs::SettingsStore>();
    settings = std::make_unique<vs::Settings>(*store);
    services = std::make_unique<vs::Services>(vs::Services{clock, link, trace, *settings, prompts, scanner, plot,
                                                           plotSettings});
    core = std::make_unique<vs::MonitorCore>(*services, face);
    ASSERT_TRUE(core->startUp(""));
    EXPECT_EQ(face.steps, (std::vector<std::string>{"window", "plot", "air state"}));
    EXPECT_TRUE(face.text.startsWith("2 sensors found:\n")) << face.text.toStdString();
    EXPECT_EQ(plot.nCurves, 10);
    EXPECT_FALSE(core->sampling().running()) << "StartOnLoad=0";
    EXPECT_FALSE(face.running);
    core->shutdown();
    EXPECT_EQ(face.steps.back(), "close");
    EXPECT_FALSE(link.Nymstick_isOpen(0));

    // A switch acts on every stick and ends the program; without a stick it ends at once.
    core.reset();
    face.steps.clear();
    core = std::make_unique<vs::MonitorCore>(*services, face);
    EXPECT_FALSE(core->startUp("/RST"));
    EXPECT_EQ(sent(0, "*RST"), 1);
    EXPECT_EQ(face.steps, (std::vector<std::string>{"window", "plot for a switch"}));
    bus.unplug("sim:0");
    bus.unplug("sim:1");
    core.reset();
    face.steps.clear();
    core = std::make_unique<vs::MonitorCore>(*services, face);
    EXPECT_FALSE(core->startUp("/rst"));
    EXPECT_EQ(face.steps, std::vector<std::string>{"window"});
}

TEST_F(Commands, StickCommandsAskFirstAndGoToEveryStick)
{
    start(2);
    struct Case {
        void (vs::MonitorCore::*command)();
        const char* question;
        std::string sent;
    } cases[] = {
        {&vs::MonitorCore::recalibrateHeater, "Caution: recalibrating heaters under wrong conditions",
         vs::flagSetCommand("CALIBRATE HEATER", 0x8001)},
        {&vs::MonitorCore::resetBaseline, "Caution: reseting baselines under wrong conditions",
         vs::flagSetCommand("RESET BASELINE", 0x8001)},
        {&vs::MonitorCore::eraseFlash, "The recordings stored in flash will be erased. Proceed?", "*RST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        prompts.answers = {false, true};
        (core.get()->*c.command)();
        EXPECT_EQ(sent(0, c.sent), 0) << "refused: nothing sent";
        (core.get()->*c.command)();
        EXPECT_EQ(prompts.shown.back().rfind(c.question, 0), 0u) << prompts.shown.back();
        EXPECT_EQ(sent(0, c.sent), 1);
        EXPECT_EQ(sent(1, c.sent), 1);
    }
    EXPECT_TRUE(bus.stick("sim:0")->firmware().recordings().empty()) << "the reset erased the recordings";
}

TEST_F(Commands, ResetSettingsResetsTheSticksEmptiesTheStoreAndMayEndTheProgram)
{
    start(0);
    core->resetSettings();
    EXPECT_TRUE(prompts.shown.empty()) << "without a stick nothing is asked";
    bus.plug(vs::SimSpec{5, 9});
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    settings->save(vs::keys::WarningSounds, 0, "1");
    core->sampling().setRunning(true);
    prompts.answers = {true, false}; // OK, then "Exit now?" No
    core->resetSettings();
    EXPECT_EQ(prompts.shown[0].rfind("This will set the USB stick to factory defaults", 0), 0u);
    EXPECT_EQ(prompts.shown[1], "You must restart the program for the default values to be reloaded.\r\n\r\nExit now?");
    EXPECT_EQ(sent(0, "*RST"), 1);
    EXPECT_FALSE(vstest::readFile(ini()).contains("WarningSounds"));
    EXPECT_TRUE(core->sampling().running()) << "sampling goes on as it was";
    EXPECT_EQ(face.endedWith, -1);
    prompts.answers = {true, true};
    core->resetSettings();
    EXPECT_EQ(face.endedWith, 0) << "the program ends through the shut-down";
    EXPECT_EQ(face.steps.back(), "close");
}

TEST_F(Commands, TheFirmwareUpgradeListsTheVersionsAndTheProgramRunsOn)
{
    start(0);
    core->firmwareUpgrade();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].find("CURRENT"), std::string::npos) << "no versions without a stick";
    bus.plug(vs::SimSpec{5, 9});
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    prompts.answers = {true};
    core->firmwareUpgrade();
    EXPECT_EQ(prompts.shown.back().rfind("This will put the USB stick in Device Firmware Upgrade (DFU) mode.", 0), 0u);
    EXPECT_NE(prompts.shown.back().find("Your CURRENT firmware version is:\r\n\r\n" + link.slot(0)->Firmware),
              std::string::npos);
    EXPECT_TRUE(bus.stick("sim:0")->inFirmwareUpgrade());
    EXPECT_EQ(face.endedWith, -1);
}

TEST_F(Commands, PauseAndLiveDataSwitchSamplingAndSayIt)
{
    start(1);
    core->pauseOrStart();
    EXPECT_TRUE(core->sampling().running());
    EXPECT_TRUE(face.running);
    core->pauseOrStart();
    EXPECT_FALSE(face.running);
    plot.RecordLength = 500;
    core->setLiveData(true);
    EXPECT_EQ(plot.RecordLength, 100) << "live data is a short window on the present";
    EXPECT_TRUE(face.running);
    EXPECT_GE(face.storeResets, 1);
}

TEST_F(Commands, AnEndOrADeviceChangeAskedDuringAPassWaitsForItsEnd)
{
    bus.plug(vs::SimSpec{5, 9})->setReportIntervalMs(5); // the pass waits for its replies
    start(0);
    bool asked = false;
    duringWait = [&] {
        if (std::exchange(asked, true))
            return;
        bus.plug(vs::SimSpec{1, 33});
        EXPECT_FALSE(core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged));
        core->requestEnd(3);
    };
    core->sampling().Timer1x_Timer();
    ASSERT_TRUE(asked);
    EXPECT_EQ(face.endedWith, -1) << "not while the pass runs";
    EXPECT_EQ(link.SlotsReserved, 1) << "nothing changes under the running pass";
    EXPECT_TRUE(eventually([&] { return face.endedWith == 3; }));
    EXPECT_EQ(face.steps.back(), "close");
    EXPECT_FALSE(link.Nymstick_isOpen(0));
}

} // namespace
