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

QString mqttNodeId(const Settings& s)
{
    const QString node = topicSafe(s.text(keys::MqttNodeId).trimmed());
    const QString host = topicSafe(QSysInfo::machineHostName());
    return !node.isEmpty() ? node : !host.isEmpty() ? host : QString("ventiscope");
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
    m.nodeId = mqttNodeId(s);
    const QString discoveryPrefix = s.text(keys::MqttDiscoveryPrefix).trimmed();
    if (!discoveryPrefix.isEmpty() && !discoveryPrefix.contains('#') && !discoveryPrefix.contains('+'))
        m.discoveryPrefix = discoveryPrefix;
    const QString interval = s.text(keys::MqttPublishInterval).trimmed();
    bool ok = false;
    const double seconds = interval.toDouble(&ok);
    if (ok && seconds >= 0 && seconds <= 86400)
        m.publishInterval = seconds;
    else if (!interval.isEmpty())
        s.noteFallback(keys::MqttPublishInterval, 0, interval, "10");
    m.networkSticks = s.number(keys::MqttPublishNetworkSticks) == 1;
    m.area = s.text(keys::MqttArea).trimmed();
    const QString forget = s.text(keys::MqttForgetAfterDays).trimmed();
    const int days = forget.toInt(&ok);
    if (ok && days >= 1 && days <= 36500)
        m.forgetAfterDays = days;
    else if (!forget.isEmpty())
        s.noteFallback(keys::MqttForgetAfterDays, 0, forget, "30");
    m.caFile = s.text(keys::MqttCAFile).trimmed();
    m.certFile = s.text(keys::MqttCertFile).trimmed();
    m.keyFile = s.text(keys::MqttKeyFile).trimmed();
    if (m.certFile.isEmpty() != m.keyFile.isEmpty())
        s.note("MQTT: CertFile and KeyFile go together; neither is used");
    if (m.certFile.isEmpty() || m.keyFile.isEmpty())
        m.certFile.clear(), m.keyFile.clear();
    if (QString file = s.text(keys::MqttPasswordFile).trimmed(); !file.isEmpty()) {
        // A bare name is one of the credentials systemd hands the service (LoadCredential=).
        const QByteArray credentials = qgetenv("CREDENTIALS_DIRECTORY");
        if (!file.contains('/') && !credentials.isEmpty())
            file = QString::fromLocal8Bit(credentials) + "/" + file;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            s.note("MQTT: the password file " + file + " cannot be read: " + f.errorString());
        } else {
            if (f.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther))
                s.note("MQTT: the password file " + file + " can be read by every user of this machine; "
                       "make it readable by its owner (and group) only (chmod 640)");
            m.password = QString::fromUtf8(f.readLine()).trimmed();
        }
        return m;
    }
    if (!m.password.isEmpty() && !makeOwnerOnly(s))
        s.note(s.store().location() + " holds the MQTT password but could not be made readable by its owner only; "
                                      "other users of this machine can read it");
    return m;
}

} // namespace vs
