// The real program publishing to a real broker: its state messages arrive,
// and when it is killed the broker announces it offline.
#include "broker.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(MqttRun, TheProgramPublishesAndItsLastWillArrivesWhenKilled)
{
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port, "ventiscope/#");
    QTemporaryDir home;
    QDir().mkpath(home.path() + "/config/Ventiscope");
    QFile ini(home.path() + "/config/Ventiscope/Ventiscope.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QString("[HIDsettings]\nDisableEmulation=True\n[MQTT]\nEnabled=1\nHost=127.0.0.1\nPort=%1\nNodeId=lab\n")
                  .arg(broker.port)
                  .toUtf8());
    ini.close();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_DATA_HOME", home.path() + "/data");
    env.insert("HOME", home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VENTISCOPE_SIMULATE", "5");
    program.setProcessEnvironment(env);
    program.start(VENTISCOPE_EXE, {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const std::string state = "ventiscope/lab/SIM00000000000000001000/state";
    ASSERT_TRUE(sub.pump([&] { return sub.count(state) >= 2; }, 20000)) << "a state message per pass";
    ASSERT_NE(sub.last("ventiscope/lab/status"), nullptr);
    EXPECT_EQ(sub.last("ventiscope/lab/status")->payload, "online");

    program.kill();
    program.waitForFinished(5000);
    ASSERT_TRUE(sub.pump([&] { return sub.last("ventiscope/lab/status")->payload == "offline"; }, 10000))
        << "the last will";
}

} // namespace
