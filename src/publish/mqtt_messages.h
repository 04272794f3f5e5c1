#pragma once
#include "common/clock.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace vs {

class StickLink;

// One message to publish: topic, payload, retained or not.
struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = true;
};

// A stick's node name in topics: its serial number (letters, digits, "_" and
// "-" only), or "stick" + its index when it has none.
QString mqttNode(const StickLink& link, int stick);
// A channel's warning state: how many of its warning levels the value reached (0, 1, 2).
int warningState(const StickLink& link, int stick, int channel);

// "<prefix>/<node>/state": every channel's last value and warning state and the time.
MqttMessage stateMessage(const StickLink& link, int stick, const QString& prefix, const LocalDateTime& now);
// One Home Assistant discovery config per channel on
// "homeassistant/sensor/<node>/<channel>/config".
std::vector<MqttMessage> discoveryMessages(const StickLink& link, int stick, const QString& prefix);

} // namespace vs
