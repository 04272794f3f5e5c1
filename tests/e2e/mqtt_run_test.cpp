// The real program publishing to a real broker: its state messages arrive,
// when it is killed the broker announces it offline, and --forget-stick
// removes its stick's entities.
#include "broker.h"
#include "program_run.h"

#include <gtest/gtest.h>

namespace {

TEST(MqttRun, TheProgramPublishesAndItsLastWillArrivesWhenKilled)
{
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port, "ventiscope/#");
    vstest::ProgramRun program;
    program.writeSettings(
        QString("[HIDsettings]\nDisableEmulation=True\n[MQTT]\nEnabled=1\nHost=127.0.0.1\nPort=%1\nNodeId=lab\n"
                "PublishInterval=0\n")
            .arg(broker.port));
    program.start({});

    const std::string state = "ventiscope/lab/SIM00000000000000001000/state";
    ASSERT_TRUE(sub.pump([&] { return sub.count(state) >= 2; })) << "a state message per pass";
    ASSERT_NE(sub.last("ventiscope/lab/status"), nullptr);
    EXPECT_EQ(sub.last("ventiscope/lab/status")->payload, "online");

    program.process.kill();
    program.process.waitForFinished(vstest::kHangGuardMs);
    ASSERT_TRUE(sub.pump([&] { return sub.last("ventiscope/lab/status")->payload == "offline"; })) << "the last will";

    const std::string config = "homeassistant/sensor/ventiscope_SIM00000000000000001000/CO2eq/config";
    vstest::Subscriber configs(broker.port, "homeassistant/#");
    ASSERT_TRUE(configs.pump([&] { return configs.last(config) != nullptr; }));
    const auto forgot = program.once({"--forget-stick=SIM00000000000000001000"});
    EXPECT_EQ(forgot.code, 0) << forgot.err.toStdString();
    EXPECT_TRUE(forgot.err.contains("Removed 10 discovery configs")) << forgot.err.toStdString();
    vstest::Subscriber late(broker.port, "#");
    ASSERT_TRUE(late.pump([&] { return late.last("ventiscope/lab/status") != nullptr; }));
    EXPECT_EQ(late.last(config), nullptr);
    EXPECT_EQ(late.last("ventiscope/lab/SIM00000000000000001000/state"), nullptr);
}

} // namespace
