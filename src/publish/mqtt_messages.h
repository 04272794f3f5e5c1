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

// A stick's name in topics and discovery: its serial number (topic-safe),
// which it keeps on any node; a stick without one is the node's and its
// slot ("lab_USB-1"), so that two nodes' serial-less sticks keep apart.
QString mqttStick(const StickLink& link, int stick, const MqttSettings& settings);
// "<prefix>/<node>/<stick>", the root of a stick's topics.
QString stickTopic(const MqttSettings& settings, const QString& stick);
// A channel's key in the state message ("CO2eq").
QString channelKey(const ChannelRecord& channel, size_t index);
// The value as precise as the channel resolves it (0.01 for a factor of 0.01).
double resolvedValue(const ChannelRecord& channel);

// "<prefix>/<node>/<stick>/state": every channel's last value and warning
// state and the time.
MqttMessage stateMessage(const StickLink& link, int stick, const MqttSettings& settings, const LocalDateTime& now);
// "<prefix>/<node>/<stick>/availability": "online" or "offline".
MqttMessage stickAvailability(const MqttSettings& settings, const QString& stick, bool online);
// "<prefix>/<node>/<stick>/seen": when this node last had the stick (UTC,
// ISO 8601); what tells, after a restart, how long a stick has been gone.
MqttMessage stickSeen(const MqttSettings& settings, const QString& stick, int64_t utcMs);
// Home Assistant's discovery configs: a sensor per channel on
// "<discovery>/sensor/ventiscope_<stick>/<key>/config" and a problem
// binary_sensor per channel for its warning state, on a device of the stick
// that hangs off the node's device. `version` goes into the origin block;
// `expireAfter` is the seconds after which a value is stale.
std::vector<MqttMessage> discoveryMessages(const StickLink& link, int stick, const MqttSettings& settings,
                                           const QString& version, int expireAfter);
// The node's own device (the bridge of its sticks) with a connectivity
// sensor on the node's status.
MqttMessage nodeDiscovery(const MqttSettings& settings, const QString& version);
// The device identifier of the node ("ventiscope_node_lab").
QString nodeDevice(const MqttSettings& settings);

} // namespace vs
