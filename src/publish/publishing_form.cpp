#include "publish/publishing_form.h"

#include "publish/metrics_settings.h"
#include "publish/mqtt_settings.h"
#include "settings/key_table.h"
#include "settings/settings.h"

#include <algorithm>

namespace vs {

PublishingForm loadPublishingForm(Settings& s)
{
    PublishingForm f;
    f.mqttEnabled = s.number(keys::MqttEnabled) == 1;
    f.host = s.text(keys::MqttHost);
    const int port = s.text(keys::MqttPort).trimmed().toInt();
    f.port = port > 0 && port <= 65535 ? port : 1883;
    f.user = s.text(keys::MqttUser);
    f.password = s.text(keys::MqttPassword);
    f.caFile = s.text(keys::MqttCAFile);
    f.topicPrefix = s.text(keys::MqttTopicPrefix);
    f.nodeId = s.text(keys::MqttNodeId);
    f.discovery = s.number(keys::MqttDiscovery) != 0;
    f.discoveryPrefix = s.text(keys::MqttDiscoveryPrefix);
    bool ok = false;
    const double interval = s.text(keys::MqttPublishInterval).trimmed().toDouble(&ok);
    f.publishInterval = ok && interval >= 0 ? interval : 10;
    f.mqttNetworkSticks = s.number(keys::MqttPublishNetworkSticks) == 1;
    f.metricsEnabled = s.number(keys::MetricsEnabled) == 1;
    f.listen = s.text(keys::MetricsListen);
    f.metricsNetworkSticks = s.number(keys::MetricsNetworkSticks) == 1;
    return f;
}

bool savePublishingForm(Settings& s, const PublishingForm& f, QString& error)
{
    std::string why;
    if (!listenOption(f.listen.trimmed().toStdString(), why)) {
        error = "Listen: " + QString::fromStdString(why);
        return false;
    }
    const auto flag = [](bool on) { return QString(on ? "1" : "0"); };
    bool ok = s.save(keys::MqttEnabled, 0, flag(f.mqttEnabled)) && s.save(keys::MqttHost, 0, f.host.trimmed()) &&
              s.save(keys::MqttPort, 0, QString::number(f.port)) && s.save(keys::MqttUser, 0, f.user) &&
              s.save(keys::MqttCAFile, 0, f.caFile.trimmed()) &&
              s.save(keys::MqttTopicPrefix, 0, f.topicPrefix.trimmed()) &&
              s.save(keys::MqttNodeId, 0, f.nodeId.trimmed()) && s.save(keys::MqttDiscovery, 0, flag(f.discovery)) &&
              s.save(keys::MqttDiscoveryPrefix, 0, f.discoveryPrefix.trimmed()) &&
              s.save(keys::MqttPublishInterval, 0, QString::number(f.publishInterval)) &&
              s.save(keys::MqttPublishNetworkSticks, 0, flag(f.mqttNetworkSticks)) &&
              s.save(keys::MetricsEnabled, 0, flag(f.metricsEnabled)) &&
              s.save(keys::MetricsListen, 0, f.listen.trimmed()) &&
              s.save(keys::MetricsNetworkSticks, 0, flag(f.metricsNetworkSticks));
    if (!ok) {
        error = "The settings could not be written to " + s.store().location();
        return false;
    }
    // The file already exists now: it is closed to others before the password goes in.
    if (!f.password.isEmpty() && !makeOwnerOnly(s)) {
        error = s.store().location() + " cannot be made readable by its owner only; the password is not stored";
        return false;
    }
    if (!s.save(keys::MqttPassword, 0, f.password)) {
        error = "The settings could not be written to " + s.store().location();
        return false;
    }
    return true;
}

} // namespace vs
