#pragma once
// One simulated stick on a link, and MQTT settings for a broker on loopback.
#include "broker.h"
#include "publish/mqtt_publisher.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace vstest {

struct Mqtt : ::testing::Test {
    vs::ManualClock clock{{2026, 12, 7, 8, 0, 0, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::shared_ptr<vs::SimulatedStick>> sims;
    const std::string stick = "SIM00000000000000001000";

    void SetUp() override
    {
        sims = vs::attachSimulatedSticks(link, {{5, 9}}, clock);
        ASSERT_EQ(vs::Nymstick_GetConfig(link, 0), 1);
        vs::Nymstick_ReadPV(link, 0);
    }
    vs::MqttSettings settingsFor(int port, const QString& node = "lab")
    {
        vs::MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        s.port = port;
        s.nodeId = node;
        s.publishInterval = 0; // every pass
        return s;
    }
    // A publisher of the stick, connecting (and retrying) quickly.
    std::unique_ptr<vs::MqttPublisher> publisher(const vs::MqttSettings& s, std::vector<QString>* said = nullptr)
    {
        auto p = std::make_unique<vs::MqttPublisher>(link, clock, s, "2.41.0");
        p->client().firstRetryMs = 100;
        if (said)
            p->client().report = [said](const QString& t) { said->push_back(t); };
        p->client().start();
        return p;
    }
    static QJsonObject json(const std::string& payload)
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
    }
    // The newest payload on the topic ("" before any).
    static std::string newest(const vstest::Subscriber& sub, const std::string& topic)
    {
        const auto* m = sub.last(topic);
        return m ? m->payload : std::string();
    }
};

} // namespace vstest
