// The real program publishing to a real broker: its state messages arrive,
// and when it is killed the broker announces it offline.
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
}

} // namespace
