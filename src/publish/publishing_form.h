#pragma once
#include <QString>

namespace vs {

class Settings;

// The sections "MQTT" and "Metrics" as a person edits them: the stored texts,
// not yet checked (the loaders of each section check them and say what they
// could not use).
struct PublishingForm {
    bool mqttEnabled = false;
    QString host, user, password, caFile, topicPrefix, nodeId, discoveryPrefix;
    int port = 1883;
    bool discovery = true;
    double publishInterval = 10; // seconds; 0: every sampling pass
    bool mqttNetworkSticks = false;

    bool metricsEnabled = false;
    QString listen;
    bool metricsNetworkSticks = false;
};

PublishingForm loadPublishingForm(Settings& settings);
// Stores the form; nothing is stored (and `error` says why) when the listen
// address is not usable. A password is only written into a file that its
// owner alone can read.
bool savePublishingForm(Settings& settings, const PublishingForm& form, QString& error);

} // namespace vs
