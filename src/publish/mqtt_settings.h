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
    bool discovery = true;
    QString caFile; // TLS when set
};

// Reads the section; a stored password makes the settings file readable by
// its owner only.
MqttSettings loadMqttSettings(Settings& settings);

} // namespace vs
