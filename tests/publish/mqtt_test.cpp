#include "broker.h"
#include "publish/mqtt_publisher.h"
#include "settings/settings.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

struct Mqtt : ::testing::Test {
    vs::ManualClock clock{{2026, 12, 7, 8, 0, 0, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::shared_ptr<vs::SimulatedStick>> sims;

    void SetUp() override
    {
        sims = vs::attachSimulatedSticks(link, {{5, 9}}, clock);
        ASSERT_EQ(vs::Nymstick_GetConfig(link, 0), 1);
        vs::Nymstick_ReadPV(link, 0);
    }
    vs::MqttSettings settingsFor(int port)
    {
        vs::MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        s.port = port;
        return s;
    }
    static QJsonObject json(const std::string& payload)
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
    }
};

TEST_F(Mqtt, DiscoveryConfigsAndStateArriveRetainedWithTheValues)
{
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port);
    vs::MqttPublisher publisher(link, clock, settingsFor(broker.port));
    publisher.client().firstRetryMs = 100;
    publisher.client().start();
    ASSERT_TRUE(sub.pump([&] { return publisher.client().isConnected(); }, 5000));
    publisher.afterPass();
    const std::string node = vs::mqttNode(link, 0).toStdString();
    const std::string stateTopic = "ventiscope/" + node + "/state";
    ASSERT_TRUE(sub.pump([&] { return sub.last(stateTopic) != nullptr; }, 5000));
    EXPECT_EQ(node, "SIM00000000000000001000");

    ASSERT_NE(sub.last("ventiscope/status"), nullptr);
    EXPECT_EQ(sub.last("ventiscope/status")->payload, "online");
    const QJsonObject state = json(sub.last(stateTopic)->payload);
    EXPECT_EQ(state["CO2eq"].toDouble(), link.slot(0)->Channels[0].LastValue);
    EXPECT_EQ(state["Temp"].toDouble(), link.slot(0)->Channels[1].LastValue);
    EXPECT_EQ(state["CO2eq_warning"].toInt(), vs::warningState(link, 0, 0));
    EXPECT_EQ(state["time"].toString(), "2026-12-07 08:00:00");

    const auto* co2 = sub.last("homeassistant/sensor/" + node + "/CO2eq/config");
    ASSERT_NE(co2, nullptr);
    const QJsonObject config = json(co2->payload);
    EXPECT_EQ(config["device_class"].toString(), "carbon_dioxide");
    EXPECT_EQ(config["unit_of_measurement"].toString(), "ppm");
    EXPECT_EQ(config["state_topic"].toString().toStdString(), stateTopic);
    EXPECT_EQ(config["value_template"].toString(), "{{ value_json['CO2eq'] }}");
    EXPECT_EQ(config["unique_id"].toString().toStdString(), "ventiscope_" + node + "_0_CO2eq");
    EXPECT_EQ(config["availability_topic"].toString(), "ventiscope/status");
    const QJsonObject device = config["device"].toObject();
    EXPECT_EQ(device["sw_version"].toString().toStdString(), link.slot(0)->Firmware);
    EXPECT_EQ(device["serial_number"].toString(), "SIM00000000000000001000");
    EXPECT_FALSE(device["name"].toString().isEmpty());
    EXPECT_EQ(json(sub.last("homeassistant/sensor/" + node + "/Temp/config")->payload)["device_class"].toString(),
              "temperature");
    EXPECT_EQ(json(sub.last("homeassistant/sensor/" + node + "/Humidity/config")->payload)["device_class"].toString(),
              "humidity");
    EXPECT_FALSE(json(sub.last("homeassistant/sensor/" + node + "/Rs/config")->payload).contains("device_class"));

    // One state message per pass; configs only once.
    publisher.afterPass();
    ASSERT_TRUE(sub.pump([&] { return sub.count(stateTopic) == 2; }, 5000));
    EXPECT_EQ(sub.count("homeassistant/sensor/" + node + "/CO2eq/config"), 1);

    // Everything the broker holds for a newcomer is retained.
    vstest::Subscriber late(broker.port);
    const std::string co2Topic = "homeassistant/sensor/" + node + "/CO2eq/config";
    ASSERT_TRUE(late.pump([&] { return late.last(stateTopic) && late.last("ventiscope/status") && late.last(co2Topic); },
                          5000));
    EXPECT_TRUE(late.last(stateTopic)->retain);
    EXPECT_TRUE(late.last(co2Topic)->retain);
    EXPECT_TRUE(late.last("ventiscope/status")->retain);
}

TEST_F(Mqtt, ABrokerThatGoesAwayIsReconnectedWithoutHoldingAPass)
{
    vstest::Broker broker;
    vs::MqttPublisher publisher(link, clock, settingsFor(broker.port));
    publisher.client().firstRetryMs = 100;
    publisher.client().start();
    vstest::Subscriber wait(broker.port, "nothing");
    ASSERT_TRUE(wait.pump([&] { return publisher.client().isConnected(); }, 5000));

    broker.stop();
    ASSERT_TRUE(wait.pump([&] { return !publisher.client().isConnected(); }, 5000));
    for (int pass = 0; pass < 5; ++pass) {
        QElapsedTimer t;
        t.start();
        clock.advanceMs(1000);
        publisher.afterPass();
        EXPECT_LT(t.elapsed(), 50) << "a pass never waits for the broker";
    }
    EXPECT_LE(publisher.client().pendingCount(), 1u + 5u) << "only the newest per topic";

    ASSERT_TRUE(broker.start());
    vstest::Subscriber sub(broker.port);
    ASSERT_TRUE(sub.pump([&] { return publisher.client().isConnected(); }, 10000)) << "reconnected";
    const std::string stateTopic = "ventiscope/" + vs::mqttNode(link, 0).toStdString() + "/state";
    ASSERT_TRUE(sub.pump([&] { return sub.last(stateTopic) != nullptr; }, 5000)) << "the newest state came";
    EXPECT_EQ(json(sub.last(stateTopic)->payload)["time"].toString(), "2026-12-07 08:00:05");
    EXPECT_EQ(publisher.client().pendingCount(), 0u);
}

TEST_F(Mqtt, AWrongPasswordIsSaidOnceWithTheBrokersReason)
{
    vstest::Broker broker("anna", "right");
    vs::MqttSettings s = settingsFor(broker.port);
    s.user = "anna";
    s.password = "wrong";
    vs::MqttPublisher publisher(link, clock, s);
    publisher.client().firstRetryMs = 100;
    std::vector<QString> said;
    publisher.client().report = [&](const QString& t) { said.push_back(t); };
    publisher.client().start();
    vstest::Subscriber idle(broker.port, "nothing");
    idle.pump([] { return false; }, 2000); // several attempts
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].contains("refused")) << said[0].toStdString();
    EXPECT_TRUE(said[0].contains("authori", Qt::CaseInsensitive)) << said[0].toStdString();
    QElapsedTimer t;
    t.start();
    publisher.afterPass();
    EXPECT_LT(t.elapsed(), 50);
}

TEST(MqttSettings, AStoredPasswordMakesTheSettingsFileTheOwnersAlone)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QDir().mkpath(config.path() + "/Ventiscope");
    const QString ini = config.path() + "/Ventiscope/Ventiscope.ini";
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[MQTT]\nEnabled=1\nHost=broker.lan\nPort=x\nTopicPrefix=#\nUser=anna\nPassword=secret\n");
    f.close();
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther |
                                   QFileDevice::ReadGroup);
    vs::SettingsStore store;
    vs::Settings settings(store);
    const vs::MqttSettings m = vs::loadMqttSettings(settings);
    EXPECT_TRUE(m.enabled);
    EXPECT_EQ(m.host, "broker.lan");
    EXPECT_EQ(m.port, 1883) << "an unreadable port is the default";
    EXPECT_EQ(m.topicPrefix, "ventiscope") << "no wildcards in topics";
    EXPECT_EQ(m.password, "secret");
    const auto perms = QFile::permissions(ini);
    EXPECT_FALSE(perms & (QFileDevice::ReadOther | QFileDevice::ReadGroup));
    EXPECT_TRUE(perms & QFileDevice::ReadOwner);
}

} // namespace
