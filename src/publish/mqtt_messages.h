#pragma once
#include "common/clock.h"
#include "publish/mqtt_settings.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace vs {

class StickLink;
struct ChannelRecord;

// One message to publish: topic, payload, retained or not.
struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = true;
};

// A stick's name in topics: its identity (serial number), topic-safe.
QString mqttStick(const StickLink& link, int stick);
// A channel's key in the state message ("CO2eq").
QString channelKey(const ChannelRecord& channel, size_t index);
// The value as precise as the channel resolves it (0.01 for a factor of 0.01).
double resolvedValue(const ChannelRecord& channel);

// "<prefix>/<node>/<stick>/state": every channel's last value and warning
// state and the time.
MqttMessage stateMessage(const StickLink& link, int stick, const MqttSettings& settings, const LocalDateTime& now);
// "<prefix>/<node>/<stick>/availability": "online" or "offline".
MqttMessage stickAvailability(const StickLink& link, int stick, const MqttSettings& settings, bool online);
// Home Assistant's discovery configs: a sensor per channel on
// "<discovery>/sensor/ventiscope_<stick>/<key>/config" and a problem
// binary_sensor per channel for its warning state. `version` goes into the
// origin block; `expireAfter` is the seconds after which a value is stale.
std::vector<MqttMessage> discoveryMessages(const StickLink& link, int stick, const MqttSettings& settings,
                                           const QString& version, int expireAfter);

} // namespace vs
