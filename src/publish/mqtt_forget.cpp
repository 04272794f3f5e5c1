#include "publish/mqtt_forget.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace vs {

StickForgetter::StickForgetter(MqttClient& client, const MqttSettings& settings)
    : client_(client), settings_(settings), run_(QString::number(QRandomGenerator::global()->generate64(), 36))
{
}

QStringList StickForgetter::filters(const QString& stick) const
{
    return {settings_.discoveryPrefix + "/sensor/ventiscope_" + stick + "/+/config",
            settings_.discoveryPrefix + "/binary_sensor/ventiscope_" + stick + "/+/config"};
}

QString StickForgetter::markerTopic(const QString& stick) const
{
    return settings_.nodeTopic() + "/forgetting/" + run_ + "/" + stick;
}

void StickForgetter::forget(const QString& stick)
{
    if (pending_.count(stick))
        return;
    pending_[stick] = 0;
    for (const char* part : {"/state", "/availability", "/seen"})
        client_.publish({stickTopic(settings_, stick) + part, {}, true});
    ask(stick);
}

void StickForgetter::ask(const QString& stick)
{
    for (const QString& filter : filters(stick))
        client_.subscribe(filter);
    client_.subscribe(markerTopic(stick));
    // The broker answers a subscription with what it holds before it takes
    // the next message: once the marker is back, every config has come.
    client_.publish({markerTopic(stick), "end", false});
}

void StickForgetter::reconnected()
{
    for (const auto& [stick, removed] : pending_)
        client_.publish({markerTopic(stick), "end", false});
}

bool StickForgetter::take(const QString& topic, const QByteArray& payload)
{
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        const QString& stick = it->first;
        if (topic == markerTopic(stick) && payload == "end") {
            // Every config came and its clearing went out: once the broker
            // sends the next marker back, it has taken the clearings too.
            for (const QString& filter : filters(stick))
                client_.unsubscribe(filter);
            client_.publish({topic, "cleared", false});
            return true;
        }
        if (topic == markerTopic(stick)) {
            client_.unsubscribe(topic);
            const int removed = it->second;
            const QString name = stick;
            pending_.erase(it);
            if (done)
                done(name, removed);
            return true;
        }
        const QString prefix = settings_.discoveryPrefix + "/";
        const bool config = topic.startsWith(prefix) && topic.endsWith("/config") &&
                            topic.section('/', -3, -3) == "ventiscope_" + stick;
        if (!config)
            continue;
        // Only what this node published: its state topic is under the node.
        const QString state = QJsonDocument::fromJson(payload).object().value("state_topic").toString();
        if (!payload.isEmpty() && state.startsWith(settings_.nodeTopic() + "/")) {
            client_.publish({topic, {}, true});
            ++it->second;
        }
        return true;
    }
    return false;
}

} // namespace vs
