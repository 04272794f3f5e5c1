#include "publish/mqtt_messages.h"

#include "common/dateformat.h"
#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

QString deviceClass(const ChannelRecord& c)
{
    switch (channelQuantity(c)) {
    case Quantity::CarbonDioxidePpm: return "carbon_dioxide";
    case Quantity::TemperatureCelsius: return "temperature";
    case Quantity::RelativeHumidityPercent: return "humidity";
    case Quantity::Unknown: break;
    }
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

QByteArray compact(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject originOf(const QString& version)
{
    return QJsonObject{{"name", "Ventiscope"}, {"sw_version", version}};
}

} // namespace

QString mqttStick(const StickLink& link, int stick, const MqttSettings& settings)
{
    const StickRecord* s = link.slot(stick);
    if (!s)
        return {};
    const std::string serial = stickSerial(*s);
    const QString id = topicSafe(QString::fromStdString(serial));
    return !id.isEmpty() ? id : settings.nodeId + "_" + topicSafe(QString::fromStdString(stickIdentity(*s, stick)));
}

QString stickTopic(const MqttSettings& settings, const QString& stick)
{
    return settings.nodeTopic() + "/" + stick;
}

QString nodeDevice(const MqttSettings& settings)
{
    return "ventiscope_node_" + settings.nodeId;
}

QString channelKey(const ChannelRecord& c, size_t index)
{
    const QString id = topicSafe(QString::fromStdString(c.Ylabel.empty() ? c.ChID : c.Ylabel));
    return id.isEmpty() ? QString("ch%1").arg(index) : id;
}

double resolvedValue(const ChannelRecord& c)
{
    // The channel's raw step (its factor) sets the decimals that mean anything.
    const double step = std::fabs(c.Factor);
    const int decimals = step > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 9) : 6;
    const double scale = std::pow(10.0, decimals);
    return std::round(c.LastValue * scale) / scale;
}

MqttMessage stateMessage(const StickLink& link, int stick, const MqttSettings& settings, const LocalDateTime& now)
{
    QJsonObject o;
    o["time"] = QString::fromStdString(formatDateTime(now, "yyyy-mm-dd Hh:Nn:Ss"));
    if (const StickRecord* s = link.slot(stick)) {
        for (size_t k = 0; k < s->Channels.size() && static_cast<int>(k) < s->nChannels; ++k) {
            const ChannelRecord& c = s->Channels[k];
            const QString key = channelKey(c, k);
            // A channel without a value is null: Home Assistant shows it as unknown.
            const bool known = c.HasValue && std::isfinite(c.LastValue);
            o[key] = known ? QJsonValue(resolvedValue(c)) : QJsonValue();
            o[key + "_warning"] = known ? QJsonValue(channelWarningState(c)) : QJsonValue();
        }
    }
    return {stickTopic(settings, mqttStick(link, stick, settings)) + "/state", compact(o), true};
}

MqttMessage stickAvailability(const MqttSettings& settings, const QString& stick, bool online)
{
    return {stickTopic(settings, stick) + "/availability", online ? "online" : "offline", true};
}

MqttMessage stickSeen(const MqttSettings& settings, const QString& stick, int64_t utcMs)
{
    return {stickTopic(settings, stick) + "/seen",
            QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODate).toUtf8(), true};
}

MqttMessage nodeDiscovery(const MqttSettings& settings, const QString& version)
{
    QJsonObject device{{"identifiers", QJsonArray{nodeDevice(settings)}},
                       {"name", "Ventiscope " + settings.nodeId},
                       {"model", "Ventiscope"},
                       {"sw_version", version}};
    if (!settings.area.isEmpty())
        device["suggested_area"] = settings.area;
    QJsonObject config{{"name", "Connectivity"},
                       {"unique_id", nodeDevice(settings) + "_connectivity"},
                       {"default_entity_id", "binary_sensor." + nodeDevice(settings).toLower() + "_connectivity"},
                       {"state_topic", settings.statusTopic()},
                       {"payload_on", "online"},
                       {"payload_off", "offline"},
                       {"device_class", "connectivity"},
                       {"entity_category", "diagnostic"},
                       {"device", device},
                       {"origin", originOf(version)}};
    return {settings.discoveryPrefix + "/binary_sensor/" + nodeDevice(settings) + "/connectivity/config",
            compact(config), true};
}

std::vector<MqttMessage> discoveryMessages(const StickLink& link, int stick, const MqttSettings& settings,
                                           const QString& version, int expireAfter)
{
    std::vector<MqttMessage> out;
    const StickRecord* s = link.slot(stick);
    if (!s)
        return out;
    const QString id = mqttStick(link, stick, settings);
    const QString lower = id.toLower();
    // The device as the stick describes itself.
    QJsonObject device;
    device["identifiers"] = QJsonArray{"ventiscope_" + id};
    const QString name = QString::fromStdString(s->Name.empty() ? s->UsbProduct : s->Name);
    device["name"] = (name.isEmpty() ? QString("Sensor stick") : name) + " " + id;
    if (!s->UsbManufacturer.empty())
        device["manufacturer"] = QString::fromStdString(s->UsbManufacturer);
    const QString model = QString::fromStdString(!s->UsbProduct.empty() ? s->UsbProduct : s->Name);
    if (!model.isEmpty())
        device["model"] = model;
    if (!s->Hardware.empty())
        device["hw_version"] = QString::fromStdString(s->Hardware);
    device["sw_version"] = QString::fromStdString(s->Firmware);
    if (const std::string serial = stickSerial(*s); !serial.empty())
        device["serial_number"] = QString::fromStdString(serial);
    device["via_device"] = nodeDevice(settings);
    if (!settings.area.isEmpty())
        device["suggested_area"] = settings.area;
    const QJsonObject origin = originOf(version);
    const QString stateTopic = stickTopic(settings, id) + "/state";
    // Shown only while this copy runs and the stick's last read worked.
    const QJsonArray availability{QJsonObject{{"topic", settings.statusTopic()}},
                                  QJsonObject{{"topic", stickTopic(settings, id) + "/availability"}}};
    auto common = [&](QJsonObject& config) {
        config["state_topic"] = stateTopic;
        config["availability"] = availability;
        config["availability_mode"] = "all";
        config["expire_after"] = expireAfter;
        config["device"] = device;
        config["origin"] = origin;
    };
    for (size_t k = 0; k < s->Channels.size() && static_cast<int>(k) < s->nChannels; ++k) {
        const ChannelRecord& c = s->Channels[k];
        const QString key = channelKey(c, k);
        const QString label = QString::fromStdString(c.Ylabel.empty() ? c.ChID : c.Ylabel);
        QJsonObject sensor;
        sensor["name"] = label;
        sensor["unique_id"] = "ventiscope_" + id + "_" + key;
        sensor["default_entity_id"] = "sensor.ventiscope_" + lower + "_" + key.toLower();
        sensor["value_template"] = "{{ value_json['" + key + "'] }}";
        sensor["state_class"] = "measurement";
        if (const QString unit = haUnit(c); !unit.isEmpty())
            sensor["unit_of_measurement"] = unit;
        if (const QString dc = deviceClass(c); !dc.isEmpty())
            sensor["device_class"] = dc;
        else
            sensor["entity_category"] = "diagnostic"; // a raw reading, not what the room is like
        common(sensor);
        out.push_back({settings.discoveryPrefix + "/sensor/ventiscope_" + id + "/" + key + "/config", compact(sensor),
                       true});

        QJsonObject problem;
        problem["name"] = label + " warning";
        problem["unique_id"] = "ventiscope_" + id + "_" + key + "_warning";
        problem["default_entity_id"] = "binary_sensor.ventiscope_" + lower + "_" + key.toLower() + "_warning";
        problem["value_template"] = "{{ 'ON' if value_json['" + key + "_warning'] | int > 0 else 'OFF' }}";
        problem["device_class"] = "problem";
        common(problem);
        out.push_back({settings.discoveryPrefix + "/binary_sensor/ventiscope_" + id + "/" + key + "_warning/config",
                       compact(problem), true});
    }
    return out;
}

} // namespace vs
