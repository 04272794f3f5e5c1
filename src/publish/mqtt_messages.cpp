#include "publish/mqtt_messages.h"

#include "common/dateformat.h"
#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace vs {

namespace {

QString topicSafe(const std::string& text)
{
    QString out;
    for (const QChar c : QString::fromStdString(text))
        out += (c.isLetterOrNumber() && c.unicode() < 128) || c == '_' || c == '-' ? c : QChar('_');
    return out;
}

QString serialOf(const StickRecord& s)
{
    return QString::fromStdString(stickSerial(s));
}

// Home Assistant's device class where the channel plainly is one.
QString deviceClass(const ChannelRecord& c)
{
    const QString label = QString::fromStdString(c.Ylabel).toLower();
    const QString unit = QString::fromStdString(c.Yunit).toLower();
    if (label.startsWith("co2") && unit == "ppm")
        return "carbon_dioxide";
    if (label.startsWith("temp") && (unit == "c" || unit == "°c"))
        return "temperature";
    if (label.startsWith("humid") && (unit == "%" || unit == "%rh"))
        return "humidity";
    return {};
}

QString haUnit(const ChannelRecord& c)
{
    const QString unit = QString::fromStdString(c.Yunit);
    if (unit.compare("C", Qt::CaseInsensitive) == 0)
        return QString::fromUtf8("\xc2\xb0""C");
    if (unit.compare("%RH", Qt::CaseInsensitive) == 0)
        return "%";
    return unit;
}

QString channelKey(const ChannelRecord& c, size_t index)
{
    const QString id = topicSafe(c.Ylabel.empty() ? c.ChID : c.Ylabel);
    return id.isEmpty() ? QString("ch%1").arg(index) : id;
}

} // namespace

QString mqttNode(const StickLink& link, int stick)
{
    const StickRecord* s = link.slot(stick);
    const QString serial = s ? topicSafe(serialOf(*s).toStdString()) : QString();
    return serial.isEmpty() ? QString("stick%1").arg(stick) : serial;
}

int warningState(const StickLink& link, int stick, int channel)
{
    const StickRecord* s = link.slot(stick);
    if (!s || channel < 0 || channel >= static_cast<int>(s->Channels.size()))
        return 0;
    return channelWarningState(s->Channels[static_cast<size_t>(channel)]);
}

MqttMessage stateMessage(const StickLink& link, int stick, const QString& prefix, const LocalDateTime& now)
{
    QJsonObject o;
    o["time"] = QString::fromStdString(formatDateTime(now, "yyyy-mm-dd Hh:Nn:Ss"));
    if (const StickRecord* s = link.slot(stick)) {
        for (size_t k = 0; k < s->Channels.size() && static_cast<int>(k) < s->nChannels; ++k) {
            const ChannelRecord& c = s->Channels[k];
            const QString key = channelKey(c, k);
            o[key] = std::isfinite(c.LastValue) ? QJsonValue(c.LastValue) : QJsonValue();
            o[key + "_warning"] = warningState(link, stick, static_cast<int>(k));
        }
    }
    return {prefix + "/" + mqttNode(link, stick) + "/state", QJsonDocument(o).toJson(QJsonDocument::Compact), true};
}

std::vector<MqttMessage> discoveryMessages(const StickLink& link, int stick, const QString& prefix)
{
    std::vector<MqttMessage> out;
    const StickRecord* s = link.slot(stick);
    if (!s)
        return out;
    const QString node = mqttNode(link, stick);
    QJsonObject device;
    device["identifiers"] = QJsonArray{"ventiscope_" + node};
    device["name"] = QString::fromStdString(s->Name.empty() ? "Ventiscope stick" : s->Name) + " " + node;
    device["model"] = QString::fromStdString(s->Hardware.empty() ? s->mcu : s->Hardware);
    device["sw_version"] = QString::fromStdString(s->Firmware);
    device["manufacturer"] = "Ventiscope";
    if (const QString serial = serialOf(*s); !serial.isEmpty())
        device["serial_number"] = serial;
    for (size_t k = 0; k < s->Channels.size() && static_cast<int>(k) < s->nChannels; ++k) {
        const ChannelRecord& c = s->Channels[k];
        const QString key = channelKey(c, k);
        QJsonObject config;
        config["name"] = QString::fromStdString(c.Ylabel.empty() ? c.ChID : c.Ylabel);
        config["unique_id"] = "ventiscope_" + node + "_" + topicSafe(c.ChID) + "_" + key;
        config["object_id"] = "ventiscope_" + node + "_" + key;
        config["state_topic"] = prefix + "/" + node + "/state";
        config["value_template"] = "{{ value_json['" + key + "'] }}";
        config["availability_topic"] = prefix + "/status";
        config["state_class"] = "measurement";
        if (const QString unit = haUnit(c); !unit.isEmpty())
            config["unit_of_measurement"] = unit;
        if (const QString dc = deviceClass(c); !dc.isEmpty())
            config["device_class"] = dc;
        config["device"] = device;
        out.push_back({"homeassistant/sensor/" + node + "/" + key + "/config",
                       QJsonDocument(config).toJson(QJsonDocument::Compact), true});
    }
    return out;
}

} // namespace vs
