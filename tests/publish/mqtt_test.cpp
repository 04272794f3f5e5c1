#include "files.h"
#include "mqtt_fixture.h"
#include "temp_config.h"
#include "settings/settings.h"
#include "stick/channel_state.h"

#include <QJsonArray>

namespace {

using vstest::Mqtt;

TEST_F(Mqtt, DiscoveryConfigsAndStateArriveRetainedAsHomeAssistantExpectsThem)
{
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port);
    vs::MqttPublisher publisher(link, clock, settingsFor(broker.port), "2.41.0");
    publisher.client().firstRetryMs = 100;
    std::vector<QString> said;
    publisher.client().report = [&](const QString& t) { said.push_back(t); };
    publisher.afterPass(); // before the connection: the state waits, discovery is not queued
    publisher.client().start();
    const std::string stateTopic = "ventiscope/lab/" + stick + "/state";
    const std::string co2Topic = "homeassistant/sensor/ventiscope_" + stick + "/CO2eq/config";
    ASSERT_TRUE(sub.pump([&] { return sub.last(stateTopic) && sub.last(co2Topic); }));
    EXPECT_EQ(said, (std::vector<QString>{"MQTT: connected to 127.0.0.1:" + QString::number(broker.port) +
                                          " as node lab"}));
    ASSERT_NE(sub.last("ventiscope/lab/status"), nullptr);
    EXPECT_EQ(sub.last("ventiscope/lab/status")->payload, "online");
    ASSERT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/lab/" + stick + "/availability") == "online"; }));

    const QJsonObject state = json(sub.last(stateTopic)->payload);
    EXPECT_EQ(state["CO2eq"].toDouble(), link.slot(0)->Channels[0].LastValue);
    EXPECT_EQ(state["CO2eq_warning"].toInt(), vs::channelWarningState(link.slot(0)->Channels[0]));
    EXPECT_EQ(state["time"].toString(), "2026-12-07 08:00:00");

    const QJsonObject config = json(sub.last(co2Topic)->payload);
    EXPECT_EQ(config["device_class"].toString(), "carbon_dioxide");
    EXPECT_EQ(config["unit_of_measurement"].toString(), "ppm");
    EXPECT_EQ(config["state_topic"].toString().toStdString(), stateTopic);
    EXPECT_EQ(config["unique_id"].toString().toStdString(), "ventiscope_" + stick + "_CO2eq");
    EXPECT_EQ(config["default_entity_id"].toString().toStdString(), "sensor.ventiscope_sim00000000000000001000_co2eq");
    EXPECT_FALSE(config.contains("object_id")) << "deprecated in Home Assistant";
    EXPECT_EQ(config["availability_mode"].toString(), "all");
    const QJsonArray availability = config["availability"].toArray();
    ASSERT_EQ(availability.size(), 2);
    EXPECT_EQ(availability[0].toObject()["topic"].toString(), "ventiscope/lab/status");
    EXPECT_EQ(availability[1].toObject()["topic"].toString().toStdString(), "ventiscope/lab/" + stick + "/availability");
    EXPECT_EQ(config["expire_after"].toInt(), 60);
    EXPECT_EQ(config["origin"].toObject()["sw_version"].toString(), "2.41.0");
    const QJsonObject device = config["device"].toObject();
    EXPECT_EQ(device["manufacturer"].toString(), "") << "this stick reports no maker over the simulated bus";
    EXPECT_EQ(device["sw_version"].toString().toStdString(), link.slot(0)->Firmware);
    EXPECT_EQ(device["serial_number"].toString().toStdString(), stick);
    EXPECT_EQ(json(sub.last("homeassistant/sensor/ventiscope_" + stick + "/Rs/config")->payload)["entity_category"]
                  .toString(),
              "diagnostic")
        << "a raw resistance is a diagnostic";
    const auto* warning = sub.last("homeassistant/binary_sensor/ventiscope_" + stick + "/CO2eq_warning/config");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(json(warning->payload)["device_class"].toString(), "problem");

    // One state message per pass; configs once per connection, not twice at the start.
    clock.advanceMs(1000);
    publisher.afterPass();
    ASSERT_TRUE(sub.pump([&] { return sub.count(stateTopic) == 2; }));
    EXPECT_EQ(sub.count(co2Topic), 1);

    // Everything the broker holds for a newcomer is retained.
    vstest::Subscriber late(broker.port);
    ASSERT_TRUE(late.pump([&] { return late.last(stateTopic) && late.last("ventiscope/lab/status") && late.last(co2Topic); }));
    EXPECT_TRUE(late.last(stateTopic)->retain && late.last(co2Topic)->retain && late.last("ventiscope/lab/status")->retain);
}

TEST_F(Mqtt, StaleDataGoesUnavailableAndTwoCopiesKeepTheirOwnAvailability)
{
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port);
    auto other = std::make_unique<vs::MqttPublisher>(link, clock, settingsFor(broker.port, "office"), "2.41.0");
    vs::MqttSettings lab = settingsFor(broker.port, "lab");
    lab.publishInterval = 5; // a state message at most every 5 s
    vs::MqttPublisher publisher(link, clock, lab, "2.41.0");
    for (vs::MqttPublisher* p : {other.get(), &publisher}) {
        p->client().firstRetryMs = 100;
        p->client().start();
    }
    ASSERT_TRUE(sub.pump([&] { return publisher.client().isConnected() && other->client().isConnected(); }));
    publisher.afterPass();
    const std::string availability = "ventiscope/lab/" + stick + "/availability";
    const std::string stateTopic = "ventiscope/lab/" + stick + "/state";
    ASSERT_TRUE(sub.pump([&] { return sub.count(stateTopic) == 1; }));

    // Passes without values: nothing new, and after the third the stick goes offline.
    const auto values = [&](bool has) {
        for (auto& c : link.slot(0)->Channels)
            c.HasValue = has;
    };
    values(false);
    for (int pass = 1; pass <= 3; ++pass) {
        EXPECT_NE(newest(sub, availability), "offline") << "not after " << pass - 1 << " passes";
        clock.advanceMs(1000);
        publisher.afterPass();
        sub.pump([&] { return true; });
    }
    ASSERT_TRUE(sub.pump([&] { return newest(sub, availability) == "offline"; }));
    EXPECT_EQ(sub.count(stateTopic), 1) << "no old value with a fresh time";
    // Values again: online.
    values(true);
    clock.advanceMs(1000);
    publisher.afterPass();
    ASSERT_TRUE(sub.pump([&] { return newest(sub, availability) == "online"; }));
    EXPECT_EQ(sub.count(stateTopic), 1) << "the publishing interval holds";
    clock.advanceMs(5000);
    publisher.afterPass();
    ASSERT_TRUE(sub.pump([&] { return sub.count(stateTopic) == 2; }));

    // One copy ending marks only its own node offline.
    other.reset();
    ASSERT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/office/status") == "offline"; }));
    EXPECT_EQ(newest(sub, "ventiscope/lab/status"), "online");
}

TEST(MqttMessages, NumbersCarryTheChannelsResolution)
{
    vs::ChannelRecord c;
    c.Factor = 0.1;
    c.LastValue = 42.800000000000004;
    EXPECT_EQ(QJsonDocument(QJsonObject{{"v", vs::resolvedValue(c)}}).toJson(QJsonDocument::Compact), "{\"v\":42.8}");
    c.Factor = 1;
    c.LastValue = 812.4;
    EXPECT_EQ(vs::resolvedValue(c), 812);
    c.Factor = 0.01;
    c.LastValue = 21.456;
    EXPECT_EQ(vs::resolvedValue(c), 21.46);
}

TEST_F(Mqtt, AWrongPasswordIsSaidOnceWithTheBrokersReason)
{
    vstest::Broker broker("anna", "right");
    vs::MqttSettings s = settingsFor(broker.port);
    s.user = "anna";
    s.password = "wrong";
    vs::MqttPublisher publisher(link, clock, s, "2.41.0");
    publisher.client().firstRetryMs = 100;
    std::vector<QString> said;
    publisher.client().report = [&](const QString& t) { said.push_back(t); };
    publisher.client().start();
    vstest::Subscriber idle(broker.port, "nothing");
    ASSERT_TRUE(idle.pump([&] { return publisher.client().attempts() >= 3; }));
    ASSERT_EQ(said.size(), 1u) << "said once over three attempts";
    EXPECT_TRUE(said[0].contains("refused")) << said[0].toStdString();
    EXPECT_TRUE(said[0].contains("authori", Qt::CaseInsensitive)) << said[0].toStdString();
}

TEST_F(Mqtt, ABrokerThatAsksForAClientCertificateTakesOursAndNoneWithout)
{
    vstest::Broker broker({}, {}, true);
    vs::MqttSettings s = settingsFor(broker.port);
    s.caFile = broker.dir.path() + "/ca.crt";
    auto without = publisher(s);
    s.certFile = broker.dir.path() + "/client.crt";
    s.keyFile = broker.dir.path() + "/client.key";
    s.nodeId = "office";
    auto with = publisher(s);
    ASSERT_TRUE(vstest::waitFor([&] { return with->client().isConnected() && without->client().attempts() >= 3; }));
    EXPECT_FALSE(without->client().isConnected());
}

using MqttSettings = vstest::TempConfig;

TEST_F(MqttSettings, AStoredPasswordMakesTheSettingsFileTheOwnersAlone)
{
    const QString ini = this->ini();
    ASSERT_TRUE(vstest::writeFile(ini, "[MQTT]\nEnabled=1\nHost=broker.lan\nPort=x\nTopicPrefix=#\nUser=anna\nPassword=secret\n"));
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
    EXPECT_EQ(m.publishInterval, 10) << "the default: Home Assistant's recorder keeps every message";

    // The password from a file of its own, which others must not read.
    const QString secret = dir.path() + "/mqtt-password";
    ASSERT_TRUE(vstest::writeFile(secret, "from-file\n"));
    ASSERT_TRUE(vstest::writeFile(ini, ("[MQTT]\nEnabled=1\nUser=anna\nPasswordFile=" + secret + "\nPublishInterval=0\n").toUtf8()));
    for (const bool others : {true, false}) {
        QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          (others ? QFileDevice::ReadOther : QFileDevice::Permissions()));
        vs::SettingsStore again;
        vs::Settings read(again);
        const vs::MqttSettings fromFile = vs::loadMqttSettings(read);
        EXPECT_EQ(fromFile.password, "from-file");
        EXPECT_EQ(fromFile.publishInterval, 0) << "0: every pass";
        EXPECT_EQ(read.takeNotes().join("").contains("can be read by every user"), others);
    }
}

} // namespace
