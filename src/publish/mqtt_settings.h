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
    // Seconds between two state messages of a stick ("PublishInterval",
    // 10 by default: every message goes into Home Assistant's recorder;
    // 0: every sampling pass).
    double publishInterval = 10;
    // "PublishNetworkSticks": also the sticks known through the network link.
    bool networkSticks = false;
    // Home Assistant's suggested area of the node's devices ("Area").
    QString area;
    // A stick this node no longer has loses its discovery configs after
    // this many days ("ForgetAfterDays").
    int forgetAfterDays = 30;
    // TLS when a CA file is set; a client certificate and key when the
    // broker asks for one.
    QString caFile, certFile, keyFile;

    // Topics: the node's availability (and last will), and a stick's state
    // and availability under the node.
    QString nodeTopic() const { return topicPrefix + "/" + nodeId; }
    QString statusTopic() const { return nodeTopic() + "/status"; }
    // The MQTT client id: the same on every run, so that the broker knows
    // the node and a second copy with the same node id is found out.
    QString clientId() const { return "ventiscope-" + nodeId; }
};

// The node id the settings give: "NodeId", or the host name; letters,
// digits, "_" and "-" only.
QString mqttNodeId(const Settings& settings);

// Letters, digits, "_" and "-"; anything else becomes "_".
QString topicSafe(const QString& text);

// The settings file readable and writable by its owner only; false when it
// cannot be made so.
bool makeOwnerOnly(const Settings& settings);

// Reads the section; a stored password makes the settings file readable by
// its owner only. "PasswordFile" names a file whose first line is the
// password (and which others must not be able to read).
MqttSettings loadMqttSettings(Settings& settings);

} // namespace vs
