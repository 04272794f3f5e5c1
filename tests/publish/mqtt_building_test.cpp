// Publishing for a building: a broker that restarts without its retained
// messages, Home Assistant starting again, sticks gone between runs, two
// copies with one node id, the publishing schedule, the reconnect back-off.
#include "mqtt_fixture.h"
#include "sim_sticks.h"

#include <QRandomGenerator>

#include <map>

namespace {

using vstest::Mqtt;
using vstest::Subscriber;

constexpr int64_t kDayMs = 86400000;

TEST_F(Mqtt, ABrokerRestartWithoutItsRetainedMessagesAndHomeAssistantsBirthGetEverythingBack)
{
    vstest::Broker broker;
    auto p = publisher(settingsFor(broker.port));
    Subscriber wait(broker.port, "nothing");
    ASSERT_TRUE(wait.pump([&] { return p->client().isConnected(); }));
    p->afterPass();
    const std::string availability = "ventiscope/lab/" + stick + "/availability";
    const std::string config = "homeassistant/sensor/ventiscope_" + stick + "/CO2eq/config";
    const std::string bridge = "homeassistant/binary_sensor/ventiscope_node_lab/connectivity/config";
    const auto holdsEverything = [&](Subscriber& s) {
        return newest(s, "ventiscope/lab/status") == "online" && newest(s, availability) == "online" &&
               !newest(s, config).empty() && !newest(s, bridge).empty();
    };

    // Passes while the broker is away never wait for it and keep only the
    // newest message of each topic. It comes back empty (persistence off):
    // a newcomer finds it all again, retained, and the newest state.
    broker.stop();
    ASSERT_TRUE(wait.pump([&] { return !p->client().isConnected(); }));
    for (int pass = 0; pass < 5; ++pass) {
        clock.advanceMs(1000);
        p->afterPass();
    }
    EXPECT_LE(p->client().pendingCount(), 2u) << "only the newest per topic";
    ASSERT_TRUE(broker.start());
    Subscriber empty(broker.port, "nothing");
    ASSERT_TRUE(empty.pump([&] { return p->client().isConnected(); }));
    Subscriber late(broker.port);
    ASSERT_TRUE(late.pump([&] { return holdsEverything(late); }));
    const std::string stateTopic = "ventiscope/lab/" + stick + "/state";
    ASSERT_TRUE(late.pump([&] { return late.last(stateTopic) != nullptr; }));
    EXPECT_EQ(json(late.last(stateTopic)->payload)["time"].toString(), "2026-12-07 08:00:05");
    EXPECT_EQ(p->client().pendingCount(), 0u);

    // Home Assistant starts again and says so: everything is sent anew. (What
    // the first subscriber saw may have come live; this one, subscribing after
    // it was all sent, gets it from what the broker holds.)
    Subscriber ha(broker.port);
    ASSERT_TRUE(ha.pump([&] { return holdsEverything(ha); }));
    EXPECT_TRUE(ha.last(availability)->retain);
    ha.messages.clear();
    ha.publish("homeassistant/status", "online", false);
    ASSERT_TRUE(ha.pump([&] { return holdsEverything(ha); })) << [&] { std::string t; for (auto& m : ha.messages) t += m.topic + "=" + m.payload.substr(0, 20) + "\n"; return t; }();

    // The node's device carries the sticks; a stick's device names it.
    const QJsonObject device = json(newest(ha, config))["device"].toObject();
    EXPECT_EQ(device["via_device"].toString(), "ventiscope_node_lab");
    const QJsonObject node = json(newest(ha, bridge));
    EXPECT_EQ(node["state_topic"].toString(), "ventiscope/lab/status");
    EXPECT_EQ(node["device_class"].toString(), "connectivity");
}

TEST_F(Mqtt, SticksGoneBetweenRunsGoOfflineAndAreForgottenAfterForgetAfterDays)
{
    vstest::Broker broker;
    Subscriber sub(broker.port);
    vs::MqttSettings lab = settingsFor(broker.port);
    lab.forgetAfterDays = 30;
    const std::string availability = "ventiscope/lab/" + stick + "/availability";
    const std::string config = "homeassistant/sensor/ventiscope_" + stick + "/CO2eq/config";
    {
        auto p = publisher(lab);
        ASSERT_TRUE(sub.pump([&] { return p->client().isConnected(); }));
        p->afterPass();
        ASSERT_TRUE(sub.pump([&] { return newest(sub, availability) == "online" && !newest(sub, config).empty(); }));
        sub.messages.clear();
    }
    // A clean stop: the stick offline before the node.
    ASSERT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/lab/status") == "offline"; }));
    const auto at = [&](const std::string& topic, const std::string& payload) {
        for (size_t i = 0; i < sub.messages.size(); ++i)
            if (sub.messages[i].topic == topic && sub.messages[i].payload == payload)
                return static_cast<int>(i);
        return -1;
    };
    EXPECT_GE(at(availability, "offline"), 0);
    EXPECT_LT(at(availability, "offline"), at("ventiscope/lab/status", "offline"));

    // A copy killed with a stick long gone, and another node's entity of
    // that stick: the next run sets it offline and removes only its own configs.
    const std::string gone = "homeassistant/sensor/ventiscope_GONE1/CO2eq/config";
    const std::string elsewhere = "homeassistant/sensor/ventiscope_GONE1/Temp/config";
    sub.publish("ventiscope/lab/GONE1/availability", "online", true);
    sub.publish("ventiscope/lab/GONE1/seen", "2026-10-01T08:00:00Z", true);
    sub.publish(gone, R"({"state_topic":"ventiscope/lab/GONE1/state"})", true);
    sub.publish(elsewhere, R"({"state_topic":"ventiscope/office/GONE1/state"})", true);
    ASSERT_TRUE(sub.pump([&] { return !newest(sub, elsewhere).empty(); }));
    auto p = publisher(lab);
    ASSERT_TRUE(sub.pump([&] { return p->forgotten().contains("GONE1"); }));
    Subscriber late(broker.port);
    ASSERT_TRUE(late.pump([&] { return late.last(elsewhere) != nullptr; }));
    EXPECT_EQ(late.last(gone), nullptr) << "its config is gone";
    EXPECT_EQ(late.last("ventiscope/lab/GONE1/availability"), nullptr);

    // The stick of this run is pulled: offline at once, forgotten 30 days later.
    p->afterPass();
    link.slot(0)->HIDHandle = 0;
    p->sticksChanged();
    ASSERT_TRUE(sub.pump([&] { return newest(sub, availability) == "offline"; }));
    clock.advanceMs(29 * kDayMs);
    p->afterPass();
    sub.pump([&] { return true; });
    EXPECT_FALSE(p->forgotten().contains(QString::fromStdString(stick)));
    clock.advanceMs(2 * kDayMs);
    p->afterPass();
    ASSERT_TRUE(sub.pump([&] { return p->forgotten().contains(QString::fromStdString(stick)); }));
    Subscriber after(broker.port);
    ASSERT_TRUE(after.pump([&] { return after.last(elsewhere) != nullptr; }));
    EXPECT_EQ(after.last(config), nullptr);
}

TEST_F(Mqtt, TwoCopiesWithOneNodeIdBothSaySoAndOneGivesWay)
{
    vstest::Broker broker;
    std::vector<QString> saidA, saidB;
    auto a = publisher(settingsFor(broker.port), &saidA);
    Subscriber sub(broker.port);
    ASSERT_TRUE(sub.pump([&] { return a->client().isConnected(); }));
    auto b = publisher(settingsFor(broker.port), &saidB);
    const auto conflict = [](const std::vector<QString>& said) {
        for (const QString& t : said)
            if (t.contains("another copy"))
                return t;
        return QString();
    };
    ASSERT_TRUE(sub.pump([&] { return !conflict(saidA).isEmpty() && !conflict(saidB).isEmpty(); }));
    // The copy that started first keeps the node; the other stops publishing.
    ASSERT_TRUE(sub.pump([&] { return b->client().gaveWay() && a->client().isConnected(); }));
    EXPECT_FALSE(a->client().gaveWay());
    EXPECT_TRUE(conflict(saidA).contains("keeps publishing")) << conflict(saidA).toStdString();
    EXPECT_TRUE(conflict(saidB).contains("stops publishing")) << conflict(saidB).toStdString();
    EXPECT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/lab/status") == "online"; }))
        << "the copy that goes on holds the node";
    b.reset();
    a->afterPass();
    ASSERT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/lab/" + stick + "/availability") == "online"; }));
    // The other copy's last connection attempt may still have taken the
    // shared client id over once (the first copy then reconnects); its end
    // itself leaves the node "online", which a last will of it would not.
    EXPECT_TRUE(sub.pump([&] { return newest(sub, "ventiscope/lab/status") == "online" && a->client().isConnected(); }))
        << "the copy that gave way says nothing at its end";
}

TEST_F(Mqtt, AStateMessageOncePerIntervalOnTheScheduleWhateverTheTimersJitter)
{
    vstest::Broker broker;
    vs::MqttSettings s = settingsFor(broker.port);
    s.publishInterval = 10;
    Subscriber sub(broker.port);
    auto p = publisher(s);
    ASSERT_TRUE(sub.pump([&] { return p->client().isConnected(); }));
    // 60 passes a second apart, each a few milliseconds early or late.
    for (int pass = 0; pass < 60; ++pass) {
        p->afterPass();
        clock.advanceMs(1000 + static_cast<int>(QRandomGenerator::global()->bounded(9)) - 4);
    }
    EXPECT_NEAR(p->statesSent(), 6, 1);
    const std::string state = "ventiscope/lab/" + stick + "/state";
    ASSERT_TRUE(sub.pump([&] { return sub.count(state) == p->statesSent(); }));
}

TEST_F(Mqtt, ReconnectionWaitsARandomTimeUpToADoublingStep)
{
    const int closed = vstest::freePort();
    auto p = publisher(settingsFor(closed));
    // Polled, so a short wait can pass unseen: each delay is checked against
    // the step of the attempt it was seen after (never above it).
    std::map<int, int> delays;
    ASSERT_TRUE(vstest::waitFor([&] {
        delays[p->client().attempts()] = p->client().nextRetryMs();
        return delays.size() >= 5;
    }));
    bool belowStep = false;
    for (auto [attempt, d] : delays) {
        const int step = attempt < 1 ? 0 : 100 << (attempt - 1);
        EXPECT_GE(d, 0);
        EXPECT_LE(d, step) << "after attempt " << attempt;
        belowStep = belowStep || d < step;
    }
    EXPECT_TRUE(belowStep) << "not the bare step every time";
}

TEST(MqttIdentity, SticksWithoutASerialAreTheirNodesAndKeepApart)
{
    vstest::SimSticks sticks;
    ASSERT_TRUE(sticks.attach({{5, 9}}));
    auto& [clock, link, sims] = sticks;
    vs::MqttSettings lab, office;
    lab.nodeId = "lab";
    office.nodeId = "office";
    lab.area = "Lab 2";
    const QString serial = vs::mqttStick(link, 0, lab);
    EXPECT_EQ(serial, vs::mqttStick(link, 0, office)) << "a serial is the stick's on every node";
    link.slot(0)->IdFields.resize(3); // no serial
    EXPECT_EQ(vs::mqttStick(link, 0, lab), "lab_USB-0");
    const auto labConfigs = vs::discoveryMessages(link, 0, lab, "2.41.0", 60);
    const auto officeConfigs = vs::discoveryMessages(link, 0, office, "2.41.0", 60);
    ASSERT_FALSE(labConfigs.empty());
    EXPECT_NE(labConfigs[0].topic, officeConfigs[0].topic);
    const QJsonObject config = QJsonDocument::fromJson(labConfigs[0].payload).object();
    EXPECT_EQ(config["unique_id"].toString(), "ventiscope_lab_USB-0_CO2eq");
    EXPECT_EQ(config["device"].toObject()["suggested_area"].toString(), "Lab 2");
}

} // namespace
