#include "publish/mqtt_settings.h"

#include "settings/settings.h"

#include <QFile>
#include <QSysInfo>

namespace vs {

QString topicSafe(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += (c.isLetterOrNumber() && c.unicode() < 128) || c == '_' || c == '-' ? c : QChar('_');
    return out;
}

bool makeOwnerOnly(const Settings& s)
{
    const QString file = s.store().location();
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others = ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser);
    return !QFile::exists(file) || (QFile::permissions(file) & others) == 0 || QFile::setPermissions(file, ownerOnly);
}

MqttSettings loadMqttSettings(Settings& s)
{
    MqttSettings m;
    m.enabled = s.number(keys::MqttEnabled) == 1;
    m.host = s.text(keys::MqttHost).trimmed();
    bool portOk = false;
    const QString portText = s.text(keys::MqttPort).trimmed();
    const int port = portText.toInt(&portOk);
    m.port = portOk && port > 0 && port <= 65535 ? port : 1883;
    if (m.port != port && !portText.isEmpty())
        s.noteFallback(keys::MqttPort, 0, portText, "1883");
    m.user = s.text(keys::MqttUser);
    m.password = s.text(keys::MqttPassword);
    const QString prefix = s.text(keys::MqttTopicPrefix).trimmed();
    // Wildcards and empty levels would make the topics unusable.
    m.topicPrefix = prefix.isEmpty() || prefix.contains('#') || prefix.contains('+') ? QString("ventiscope") : prefix;
    m.discovery = s.number(keys::MqttDiscovery) != 0;
    const QString node = topicSafe(s.text(keys::MqttNodeId).trimmed());
    const QString host = topicSafe(QSysInfo::machineHostName());
    m.nodeId = !node.isEmpty() ? node : !host.isEmpty() ? host : QString("ventiscope");
    const QString discoveryPrefix = s.text(keys::MqttDiscoveryPrefix).trimmed();
    if (!discoveryPrefix.isEmpty() && !discoveryPrefix.contains('#') && !discoveryPrefix.contains('+'))
        m.discoveryPrefix = discoveryPrefix;
    const QString interval = s.text(keys::MqttPublishInterval).trimmed();
    bool ok = false;
    const double seconds = interval.toDouble(&ok);
    if (ok && seconds >= 0 && seconds <= 86400)
        m.publishInterval = seconds;
    else if (!interval.isEmpty())
        s.noteFallback(keys::MqttPublishInterval, 0, interval, "every pass");
    m.networkSticks = s.number(keys::MqttPublishNetworkSticks) == 1;
    m.caFile = s.text(keys::MqttCAFile).trimmed();
    if (!m.password.isEmpty() && !makeOwnerOnly(s))
        s.note(s.store().location() + " holds the MQTT password but could not be made readable by its owner only; "
                                      "other users of this machine can read it");
    return m;
}

} // namespace vs
