// The monitor's core without a window: metrics over real HTTP on loopback,
// sticks that come, go and fail, settings that cannot be used.
#include "core/device_callback.h"
#include "core/sampling_loop.h"
#include "core/value_log.h"
#include "core_fixture.h"
#include "publish/metrics_endpoint.h"
#include "sockets.h"
#include "stick/channel_state.h"
#include "stick/device_change.h"
#include "stick/sim_stick.h"

#include <gtest/gtest.h>

namespace {

using vstest::CoreFixture;

TEST_F(CoreFixture, WithoutAStickTheServiceWaitsAndAsksNothing)
{
    face.offer = false;
    startCore("HIDsettings/WaitingForStickString=Plug in a stick\n");
    EXPECT_TRUE(prompts.shown.empty()) << "no emulation offer";
    EXPECT_EQ(link.Nymstick_CountConnected(), 0);
    EXPECT_NE(said().find("Plug in a stick"), std::string::npos) << said();
    core->startSampling(true);
    EXPECT_FALSE(core->sampling().running());
    // The first stick to come is configured and starts sampling.
    bus.plug(vs::SimSpec{5, 9});
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(link.Nymstick_CountConnected(), 1);
    EXPECT_TRUE(core->sampling().running());
}

TEST_F(CoreFixture, MetricsFollowPassesAndAPulledStickShowsAsClosed)
{
    bus.plug(vs::SimSpec{5, 9});
    bus.plug(vs::SimSpec{1, 33});
    startCore("Metrics/Enabled=1\nMetrics/Listen=127.0.0.1:0\n");
    ASSERT_NE(core->metrics(), nullptr) << said();
    const int port = core->metrics()->port();
    ASSERT_GT(port, 0);

    core->sampling().Timer1x_Timer();
    core->sampling().Timer1x_Timer();
    // Requests as people and tools send them.
    for (const auto& [request, status] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Type: text/html"},
             {"GET /metrics HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4"},
             {"GET /metrics HTTP/1.0\n\n", "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4"},
             {"POST /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 405"},
             {"GET /nope HTTP/1.1\r\n\r\n", "HTTP/1.1 404"}}) {
        const QByteArray answer = vstest::httpRequest(port, request);
        EXPECT_TRUE(answer.startsWith(status)) << request.toStdString() << " -> " << answer.left(80).toStdString();
    }
    EXPECT_TRUE(vstest::httpRequest(port, "GET / HTTP/1.0\r\n\r\n").contains("href=\"/metrics\""));
    QByteArray reply = vstest::httpGet(port);
    ASSERT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("\nventiscope_sampling_passes_total 2\n"));
    EXPECT_TRUE(reply.contains("\nventiscope_build_info{version=\"2.41.0\"} 1\n")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("\nventiscope_co2_ppm{serial=\"SIM00000000000000001000\",channel=\"0\",label=\"CO2eq\"} "));
    EXPECT_TRUE(reply.contains("\nventiscope_resistance_ohms{serial=\"SIM00000000000000001000\",channel=\"4\",label=\"Rs\"} "));
    EXPECT_FALSE(reply.contains("unit=\"")) << "one metric per unit";
    EXPECT_TRUE(reply.contains("\nventiscope_reads_total 4\n")) << "two sticks, two passes";
    for (const char* process : {"process_cpu_seconds_total", "process_start_time_seconds", "process_resident_memory_bytes",
                                "process_open_fds"})
        EXPECT_TRUE(reply.contains(QByteArray("\n") + process + " ")) << process;
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{serial=\"SIM00000000000000001000\",interface=\"USB\"} 1"));
    EXPECT_FALSE(reply.contains("stick=\"")) << "sticks are named by serial number, never by slot";
    EXPECT_TRUE(reply.contains("\nventiscope_history_rows_total ")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("\nventiscope_history_write_seconds "));
    // A humidity of 45 %RH is the ratio 0.45.
    const qsizetype at = reply.indexOf("\nventiscope_relative_humidity_ratio{serial=\"SIM00000000000000001000\"");
    ASSERT_GE(at, 0);
    const QByteArray ratio = reply.mid(reply.indexOf("} ", at) + 2, 30).split('\n').front();
    EXPECT_EQ(ratio, QByteArray::number(link.slot(0)->Channels[2].LastValue / 100, 'g', 12)) << "the shortest text";

    // A pass in which the second stick gives nothing: its values have no
    // series (never 0, never the last value), and its gauge says so.
    bus.stick("sim:1")->loseEvery(1);
    core->sampling().Timer1x_Timer();
    bus.stick("sim:1")->loseEvery(0);
    reply = vstest::httpGet(port);
    EXPECT_TRUE(reply.contains("ventiscope_stick_values_present{serial=\"SIM00000000000000001001\",interface=\"USB\"} 0"));
    EXPECT_TRUE(reply.contains("ventiscope_stick_values_present{serial=\"SIM00000000000000001000\",interface=\"USB\"} 1"));
    for (const char* series : {"ventiscope_co2_ppm{", "ventiscope_temperature_celsius{", "ventiscope_channel_warning_state{"})
        EXPECT_FALSE(reply.contains(QByteArray(series) + "serial=\"SIM00000000000000001001\"")) << series;
    EXPECT_TRUE(reply.contains("ventiscope_co2_ppm{serial=\"SIM00000000000000001000\""));

    bus.unplug("sim:0");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    reply = vstest::httpGet(port);
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{serial=\"SIM00000000000000001000\",interface=\"USB\"} 0"))
        << reply.toStdString();
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{serial=\"SIM00000000000000001001\",interface=\"USB\"} 1"));
    EXPECT_FALSE(reply.contains("ventiscope_co2_ppm{serial=\"SIM00000000000000001000\"")) << "a closed stick has no values";
    EXPECT_TRUE(reply.contains("\nventiscope_device_changes_total 1\n"));
}

TEST_F(CoreFixture, AStickPulledWhileTheSticksAreConfiguredIsNoticedAndTheOthersAreSampled)
{
    bus.plug(vs::SimSpec{5, 9});
    auto second = bus.plug(vs::SimSpec{5, 9});
    bool pulled = false;
    bool handledAtOnce = true;
    bool watching = false;
    beforeStart = [&] {
        core->deviceChange().startWatching = [&] { return watching = true; };
    };
    duringWait = [&] {
        // The second stick is pulled while it is being configured.
        if (pulled || second->commands().empty())
            return;
        pulled = true;
        EXPECT_TRUE(watching) << "the system's device events are watched during the configuration";
        bus.unplug("sim:1");
        handledAtOnce = core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    };
    startCore("");
    duringWait = nullptr;
    ASSERT_TRUE(pulled);
    EXPECT_FALSE(handledAtOnce) << "kept until the configuration is over";
    EXPECT_TRUE(link.slot(0)->Configured) << "the healthy stick is configured all the same";
    EXPECT_FALSE(link.slot(1)->Configured);
    EXPECT_TRUE(eventually([&] { return !link.Nymstick_isOpen(1); })) << "the kept removal is handled";
    EXPECT_EQ(plot.nCurves, 5);

    // It comes back on another node: configured and sampled again.
    const std::string back = bus.reenumerate("sim:1");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    const int slot = link.Nymstick_FindSlot(back);
    ASSERT_GE(slot, 0);
    EXPECT_TRUE(link.slot(slot)->Configured);
    core->sampling().Timer1x_Timer();
    EXPECT_EQ(link.StickErrorText, "");
    EXPECT_EQ(plot.nCurves, 10);
}

TEST_F(CoreFixture, AStickBackUnderANewNodeTakesItsOldSlotAndCurves)
{
    bus.plug(vs::SimSpec{5, 9});
    bus.plug(vs::SimSpec{1, 33});
    startCore("");
    core->sampling().Timer1x_Timer();
    const std::string serial = vs::stickSerial(*link.slot(0));
    const auto labels = plot.CurveLabel;

    // The node goes and a new one comes: the number of sticks stays the same.
    const std::string fresh = bus.reenumerate("sim:0");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    ASSERT_TRUE(link.Nymstick_isOpen(0));
    EXPECT_EQ(link.slot(0)->DevicePath, fresh);
    EXPECT_EQ(vs::stickSerial(*link.slot(0)), serial);
    EXPECT_TRUE(link.slot(0)->Configured);
    EXPECT_EQ(link.Nymstick_CountConnected(), 2);
    EXPECT_EQ(plot.nCurves, 10);
    EXPECT_EQ(plot.CurveLabel, labels) << "its curves where they were";

    core->sampling().Timer1x_Timer();
    EXPECT_EQ(link.StickErrorText, "");
    const auto& commands = bus.stick(fresh)->commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "TRF?"), 1) << "read as the protocol-5 stick it is";
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "*TRG"), 0);
    // Both passes in the stick's one series, before and after its new node.
    EXPECT_EQ(historyCounts()[serial], 2);
}

TEST_F(CoreFixture, EachStickKeepsItsErrorAndEveryFailedReadCounts)
{
    bus.plug(vs::SimSpec{5, 9});
    bus.plug(vs::SimSpec{5, 9});
    startCore("HIDsettings/Log2file=1\nHIDsettings/LogFile=" + dir.path() + "/log.txt\n");
    core->valueLog().restoreFromSettings();
    core->sampling().Timer1x_Timer();

    // The first stick fails while present; the second's success must not hide it.
    bus.stick("sim:0")->failWrites(1000);
    core->sampling().Timer1x_Timer();
    core->sampling().Timer1x_Timer();
    EXPECT_EQ(core->sampling().failedReadCount(), 2);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 4); // the header and three passes
    EXPECT_TRUE(lines[1].endsWith("\t ")) << "no error in the first pass";
    EXPECT_TRUE(lines[2].endsWith("\t 0:NYM_SEND_ERROR")) << lines[2].toStdString();
    EXPECT_EQ(lines[2].split("\t ").size(), lines[1].split("\t ").size()) << "the columns stay";
    EXPECT_TRUE(lines[2].contains("\t \t ")) << "the failing stick's values are empty: " << lines[2].toStdString();
    const std::string text = said();
    const std::string line = "Sensor 0 (S/N SIM00000000000000001000): no values: NYM_SEND_ERROR";
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(text.find(line), text.rfind(line)) << "said once, not every pass";

    // Pulled without a word from the system: the pass that finds it gone
    // starts the device change, which says so, counts it and closes it.
    bus.stick("sim:1")->unplug();
    core->sampling().Timer1x_Timer();
    EXPECT_TRUE(eventually([&] { return !link.Nymstick_isOpen(1); }));
    EXPECT_EQ(core->sampling().failedReadCount(), 4);
    EXPECT_NE(said().find("Sensor 1 (S/N SIM00000000000000001001): removed"), std::string::npos) << said();
    EXPECT_EQ(core->deviceChangeCount(), 1);
    EXPECT_GE(face.beeps, 1);
    // A failed read stores nothing: the history has no made-up values.
    const auto stored = historyCounts();
    EXPECT_EQ(stored.at(vs::stickSerial(*link.slot(0))), 1);
    EXPECT_EQ(stored.at(vs::stickSerial(*link.slot(1))), 3);
}

TEST_F(CoreFixture, AStickHeldByAnotherProgramIsSaidOnceAndTakenWhenFree)
{
    bus.plug(vs::SimSpec{5, 9});
    bus.plug(vs::SimSpec{5, 9});
    bus.holdElsewhere("sim:1", "the Ventiscope service (process 812)");
    startCore("");
    EXPECT_EQ(link.Nymstick_CountConnected(), 1);
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    const std::string line = "The sensor stick at sim:1 is in use by another program: the Ventiscope service (process 812)";
    EXPECT_NE(said().find(line), std::string::npos) << said();
    EXPECT_EQ(said().find(line), said().rfind(line));

    bus.release("sim:1");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    EXPECT_EQ(link.Nymstick_CountConnected(), 2);
    EXPECT_TRUE(link.slot(1)->Configured);
}

TEST_F(CoreFixture, WhatTheSettingsHeldThatCannotBeUsedIsSaidOnceAndSamplingGoesOn)
{
    bus.plug(vs::SimSpec{5, 9});
    startCore("Plot/ReadInterval=1e9\nMQTT/Port=99999999999\nNetworkSettings/NetworkOption=server\n"
              "Metrics/Enabled=1\nMetrics/Listen=localhost:9464\n");
    EXPECT_EQ(core->metrics(), nullptr);
    core->sampling().Timer1x_Timer();
    core->sampling().Timer1x_Timer();
    EXPECT_EQ(core->sampling().passCount(), 2) << "sampling goes on";
    const std::string text = said();
    for (const std::string line : {"Metrics: \"localhost:9464\" is not an IP address and port",
                                   "Settings: Plot/ReadInterval held \"1e9\"; 1 s is used instead",
                                   "Settings: MQTT/Port held \"99999999999\"; 1883 is used instead",
                                   "Settings: NetworkSettings/NetworkOption held \"server\"; 0 is used instead"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        EXPECT_EQ(text.find(line), text.rfind(line)) << "once: " << line;
    }
    EXPECT_DOUBLE_EQ(core->sampling().readInterval(), 1);
}

TEST_F(CoreFixture, RebuildingThePlotKeepsTheSamplingTimersPhase)
{
    // A peer's "updateplot" (or any device change) rebuilds the plot; a
    // stream of them must not keep pushing the next tick away.
    bus.plug(vs::SimSpec{5, 9});
    startCore("");
    ASSERT_TRUE(core->sampling().setReadInterval(40)); // a tick every 10 s
    core->sampling().setRunning(true);
    const int full = core->sampling().timer().remainingTime();
    // Once some of the period has gone, a rebuild leaves the rest as it was.
    ASSERT_TRUE(eventually([&] { return core->sampling().timer().remainingTime() < full - 20; }));
    for (int i = 0; i < 5; ++i)
        core->deviceCallback().DevChange_callback();
    EXPECT_TRUE(core->sampling().running());
    EXPECT_LT(core->sampling().timer().remainingTime(), full - 20) << "the tick was not restarted";
}

} // namespace
