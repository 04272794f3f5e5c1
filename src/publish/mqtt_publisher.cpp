#include "publish/mqtt_publisher.h"

#include "stick/stick_link.h"

namespace vs {

MqttPublisher::MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QObject* parent)
    : QObject(parent), link_(link), clock_(clock), settings_(settings), client_(std::move(settings), this)
{
    // A broker that lost its retained configs gets them again.
    client_.connected = [this] { announced_.clear(); };
}

void MqttPublisher::announce(int stick)
{
    const QString node = mqttNode(link_, stick);
    if (!settings_.discovery || announced_.contains(node))
        return;
    for (const MqttMessage& m : discoveryMessages(link_, stick, settings_.topicPrefix))
        client_.publish(m);
    announced_.insert(node);
}

void MqttPublisher::afterPass()
{
    const LocalDateTime now = clock_.now();
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        const StickRecord* s = link_.slot(i);
        if (!s || !link_.Nymstick_isOpen(i) || s->nChannels <= 0)
            continue;
        announce(i);
        client_.publish(stateMessage(link_, i, settings_.topicPrefix, now));
    }
}

} // namespace vs
