#include "publish/mqtt_settings.h"

#include "settings/settings.h"

#include <QFile>

namespace vs {

MqttSettings loadMqttSettings(Settings& s)
{
    MqttSettings m;
    m.enabled = s.number(keys::MqttEnabled) == 1;
    m.host = s.text(keys::MqttHost).trimmed();
    bool ok = false;
    const int port = s.text(keys::MqttPort).trimmed().toInt(&ok);
    m.port = ok && port > 0 && port <= 65535 ? port : 1883;
    m.user = s.text(keys::MqttUser);
    m.password = s.text(keys::MqttPassword);
    const QString prefix = s.text(keys::MqttTopicPrefix).trimmed();
    // Wildcards and empty levels would make the topics unusable.
    m.topicPrefix = prefix.isEmpty() || prefix.contains('#') || prefix.contains('+') ? QString("ventiscope") : prefix;
    m.discovery = s.number(keys::MqttDiscovery) != 0;
    m.caFile = s.text(keys::MqttCAFile).trimmed();
    if (!m.password.isEmpty()) {
        const QString file = s.store().location();
        if (QFile::exists(file))
            QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return m;
}

} // namespace vs
