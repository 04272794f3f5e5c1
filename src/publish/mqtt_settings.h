#pragma once
#include <QString>

namespace vs {

class Settings;

// The section "MQTT" of the settings file.
struct MqttSettings {
    bool enabled = false;
    QString host = "localhost";
    int port = 1883;
    QString user, password;
    QString topicPrefix = "ventiscope";
    // This copy of the program among others on one broker ("NodeId";
    // default: the host name, letters, digits, "_" and "-" only).
    QString nodeId = "ventiscope";
    bool discovery = true;
    QString discoveryPrefix = "homeassistant";
    // Seconds between two state messages of a stick ("PublishInterval";
    // 0: every sampling pass).
    double publishInterval = 0;
    // "PublishNetworkSticks": also the sticks known through the network link.
    bool networkSticks = false;
    QString caFile; // TLS when set

    // Topics: the node's availability (and last will), and a stick's state
    // and availability under the node.
    QString nodeTopic() const { return topicPrefix + "/" + nodeId; }
    QString statusTopic() const { return nodeTopic() + "/status"; }
};

// Letters, digits, "_" and "-"; anything else becomes "_".
QString topicSafe(const QString& text);

// The settings file readable and writable by its owner only; false when it
// cannot be made so.
bool makeOwnerOnly(const Settings& settings);

// Reads the section; a stored password makes the settings file readable by
// its owner only.
MqttSettings loadMqttSettings(Settings& settings);

} // namespace vs
