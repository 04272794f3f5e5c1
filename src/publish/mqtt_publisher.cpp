#include "publish/mqtt_publisher.h"

#include "common/dateformat.h"
#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace {
constexpr int kPassesBeforeUnavailable = 3;
} // namespace

MqttPublisher::MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QString version,
                             QObject* parent)
    : QObject(parent), link_(link), clock_(clock), settings_(settings), version_(std::move(version)),
      client_(std::move(settings), this)
{
    // Each connection announces the sticks once: a broker that lost its
    // retained configs gets them again.
    client_.connected = [this] {
        announced_.clear();
        for (int i = 0; i < link_.SlotsReserved; ++i)
            if (publishes(i) && link_.Nymstick_isOpen(i))
                announce(i);
    };
}

bool MqttPublisher::sendTest(QString& error)
{
    if (!client_.isConnected()) {
        error = "MQTT is not connected (" + client_.state() + ")";
        return false;
    }
    const QString text = "test message from " + settings_.nodeId + " at " +
                         QString::fromStdString(formatDateTime(clock_.now(), "yyyy-mm-dd Hh:Nn:Ss"));
    client_.publish({settings_.nodeTopic() + "/test", text.toUtf8(), false});
    return true;
}

double MqttPublisher::interval() const
{
    return settings_.publishInterval > 0 ? settings_.publishInterval : readInterval_;
}

int MqttPublisher::expireAfter() const
{
    return std::max(60, static_cast<int>(std::ceil(3 * std::max(interval(), readInterval_))));
}

bool MqttPublisher::publishes(int stick) const
{
    const StickRecord* s = link_.slot(stick);
    if (!s || s->Interface.empty())
        return false;
    // A network stick is another copy's; published only when asked for, and
    // only when it says who it is.
    if (s->Interface == "NW")
        return settings_.networkSticks && !stickSerial(*s).empty();
    return true;
}

void MqttPublisher::announce(int stick)
{
    const QString id = mqttStick(link_, stick);
    if (!settings_.discovery || !client_.isConnected() || announced_.contains(id))
        return;
    announced_.insert(id);
    for (const MqttMessage& m : discoveryMessages(link_, stick, settings_, version_, expireAfter()))
        client_.publish(m);
}

void MqttPublisher::setAvailable(int stick, bool online)
{
    const QString id = mqttStick(link_, stick);
    const auto it = online_.find(id);
    if (it != online_.end() && it->second == online)
        return;
    online_[id] = online;
    client_.publish(stickAvailability(link_, stick, settings_, online));
}

void MqttPublisher::afterPass()
{
    const double nowMs = clock_.elapsedMs();
    const bool due = nowMs - lastStateMs_ >= interval() * 1000 - 1;
    const LocalDateTime now = clock_.now();
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        if (!publishes(i))
            continue;
        const StickRecord* s = link_.slot(i);
        const bool open = link_.Nymstick_isOpen(i) && s->nChannels > 0;
        // A pass without values publishes nothing new (no old value with a
        // fresh time); three in a row make the stick unavailable, the next
        // values available again.
        const bool read = open && hasValues(*s);
        int& without = passesWithoutValues_[mqttStick(link_, i)];
        without = read ? 0 : without + 1;
        if (open)
            announce(i);
        if (read && due)
            client_.publish(stateMessage(link_, i, settings_, now));
        if (read || !open || without >= kPassesBeforeUnavailable)
            setAvailable(i, read);
    }
    if (due)
        lastStateMs_ = nowMs;
}

void MqttPublisher::sticksChanged()
{
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (publishes(i) && !link_.Nymstick_isOpen(i))
            setAvailable(i, false);
}

} // namespace vs
