// The monitor's core without a window, as the service runs it: status lines
// on a stream, no questions, metrics over real HTTP on loopback.
#include "service/console_face.h"
#include "core/device_callback.h"
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "publish/metrics_endpoint.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "temp_config.h"

#include <QFile>
#include <QSettings>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <sstream>

namespace {

QByteArray httpGet(int port)
{
    QTcpSocket s;
    s.connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!s.waitForConnected(3000))
        return {};
    s.write("GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (s.waitForReadyRead(2000))
        reply += s.readAll();
    return reply;
}

struct CoreFixture : vstest::TempConfig {
    vs::ManualClock clock{{2026, 12, 7, 8, 15, 2, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::TraceLog trace{clock};
    std::unique_ptr<vs::SettingsStore> store;
    std::unique_ptr<vs::Settings> settings;
    vstest::ScriptPrompts prompts;
    vs::SimulatedBackend bus{clock};
    vs::DeviceScanner scanner{link, bus};
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    std::ostringstream out;
    vs::ConsoleFace face{clock, out};
    std::unique_ptr<vs::Services> services;
    std::unique_ptr<vs::MonitorCore> core;

    void startCore(const QString& ini)
    {
        QSettings file(this->ini(), QSettings::IniFormat);
        for (const QString& line : ini.split('\n', Qt::SkipEmptyParts)) {
            const auto kv = line.split('=');
            file.setValue(kv[0], kv[1]);
        }
        file.sync();
        store = std::make_unique<vs::SettingsStore>();
        settings = std::make_unique<vs::Settings>(*store);
        services = std::make_unique<vs::Services>(
            vs::Services{clock, link, trace, *settings, prompts, scanner, plot, plotSettings});
        core = std::make_unique<vs::MonitorCore>(*services, face);
        core->deviceCallback().offerEmulation = false;
        core->findSticks();
        core->loadSettings();
        core->configureSticks();
        core->startLinks();
    }
    void TearDown() override
    {
        core.reset();
        TempConfig::TearDown();
    }
};

TEST_F(CoreFixture, WithoutAStickTheServiceWaitsAndAsksNothing)
{
    startCore("HIDsettings/WaitingForStickString=Plug in a stick\n");
    face.flush();
    EXPECT_TRUE(prompts.shown.empty()) << "no emulation offer";
    EXPECT_EQ(link.Nymstick_CountConnected(), 0);
    EXPECT_NE(out.str().find("Plug in a stick"), std::string::npos) << out.str();
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
    ASSERT_NE(core->metrics(), nullptr) << out.str();
    const int port = core->metrics()->port();
    ASSERT_GT(port, 0);

    core->sampling().Timer1x_Timer();
    core->sampling().Timer1x_Timer();
    QByteArray reply = httpGet(port);
    ASSERT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("\nventiscope_sampling_passes_total 2\n"));
    EXPECT_TRUE(reply.contains("ventiscope_channel_value{stick=\"0\",serial=\"SIM00000000000000001000\","
                               "interface=\"USB\",channel=\"0\""));
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{stick=\"0\",serial=\"SIM00000000000000001000\",interface=\"USB\"} 1"));

    bus.unplug("sim:0");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    reply = httpGet(port);
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{stick=\"0\",serial=\"SIM00000000000000001000\",interface=\"USB\"} 0"))
        << reply.toStdString();
    EXPECT_TRUE(reply.contains("ventiscope_stick_open{stick=\"1\",serial=\"SIM00000000000000001001\",interface=\"USB\"} 1"));
    EXPECT_FALSE(reply.contains("ventiscope_channel_value{stick=\"0\"")) << "a closed stick has no values";
    EXPECT_TRUE(reply.contains("\nventiscope_device_changes_total 1\n"));
}

TEST_F(CoreFixture, AnUnusableMetricsAddressIsSaidAndSamplingGoesOn)
{
    bus.plug(vs::SimSpec{5, 9});
    startCore("Metrics/Enabled=1\nMetrics/Listen=localhost:9464\n");
    face.flush();
    EXPECT_EQ(core->metrics(), nullptr);
    EXPECT_NE(out.str().find("Metrics: \"localhost:9464\" is not an IP address and port"), std::string::npos)
        << out.str();
    core->sampling().Timer1x_Timer();
    EXPECT_EQ(core->sampling().passCount(), 1);
}

} // namespace
