#include "publish/mqtt_publisher.h"

#include "common/dateformat.h"
#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vs {

namespace {
constexpr int kPassesBeforeUnavailable = 3;
constexpr double kSeenEveryMs = 3600 * 1000.0;
constexpr int64_t kDayMs = 86400000;
} // namespace

MqttPublisher::MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QString version,
                             QObject* parent)
    : QObject(parent), link_(link), clock_(clock), settings_(settings), version_(std::move(version)),
      client_(settings, this), forgetter_(client_, settings_)
{
    // What this node published before: which sticks, and since when each is gone.
    client_.subscribe(settings_.nodeTopic() + "/+/availability");
    client_.subscribe(settings_.nodeTopic() + "/+/seen");
    if (settings_.discovery)
        client_.subscribe(settings_.discoveryPrefix + "/status");
    client_.connected = [this] {
        announceAll();
        forgetter_.reconnected();
    };
    client_.received = [this](const QString& topic, const QByteArray& payload, bool retained) {
        received(topic, payload, retained);
    };
    forgetter_.done = [this](const QString& stick, int) {
        forgotten_ << stick;
        sticks_.erase(stick);
    };
}

MqttPublisher::~MqttPublisher()
{
    // A clean stop: every present stick offline (and when it was last here),
    // then the node (the client, as it goes).
    if (!client_.isConnected())
        return;
    const int64_t now = clock_.utcMs();
    for (auto& [id, s] : sticks_)
        if (s.present) {
            client_.publish(stickAvailability(settings_, id, false));
            client_.publish(stickSeen(settings_, id, now));
        }
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

void MqttPublisher::announceAll()
{
    // Everything the broker must hold, again: it may have lost it all.
    announced_.clear();
    if (settings_.discovery)
        client_.publish(nodeDiscovery(settings_, version_));
    const int64_t now = clock_.utcMs();
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (publishes(i) && link_.Nymstick_isOpen(i)) {
            const QString id = mqttStick(link_, i, settings_);
            Stick& s = sticks_[id];
            s.present = true;
            s.seenMs = now;
            announce(i, id);
            client_.publish(stickSeen(settings_, id, now));
        }
    // A present stick is as its values are now (a stick whose reads fail
    // stays offline after its third pass without values).
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (publishes(i) && link_.Nymstick_isOpen(i)) {
            Stick& s = sticks_[mqttStick(link_, i, settings_)];
            s.online = hasValues(*link_.slot(i)) && s.passesWithoutValues < kPassesBeforeUnavailable;
        }
    for (const auto& [id, s] : sticks_)
        setAvailable(id, s.present && s.online, true);
    nextSeenMs_ = clock_.elapsedMs() + kSeenEveryMs;
}

void MqttPublisher::announce(int stick, const QString& id)
{
    if (!settings_.discovery || !client_.isConnected() || announced_.contains(id))
        return;
    announced_.insert(id);
    for (const MqttMessage& m : discoveryMessages(link_, stick, settings_, version_, expireAfter()))
        client_.publish(m);
}

void MqttPublisher::setAvailable(const QString& id, bool online, bool again)
{
    Stick& s = sticks_[id];
    if (s.online == online && !again)
        return;
    s.online = online;
    client_.publish(stickAvailability(settings_, id, online));
}

void MqttPublisher::received(const QString& topic, const QByteArray& payload, bool retained)
{
    if (forgetter_.take(topic, payload))
        return;
    if (topic == settings_.discoveryPrefix + "/status") {
        // Home Assistant started again: it learns everything anew. (A
        // retained birth message comes with every connection, which
        // announced everything already.)
        if (payload == "online" && !retained) {
            client_.sayOnline();
            announceAll();
        }
        return;
    }
    const QString node = settings_.nodeTopic() + "/";
    if (!topic.startsWith(node) || payload.isEmpty())
        return;
    const QString id = topic.mid(node.size()).section('/', 0, 0);
    const QString part = topic.section('/', -1);
    if (id.isEmpty() || topic.count('/') != node.count('/') + 1)
        return;
    Stick& s = sticks_[id];
    if (s.present)
        return;
    if (part == "availability" && payload == "online") {
        // A stick this node had, not here now (the copy was killed, or
        // started again without it).
        s.online = true;
        setAvailable(id, false);
    } else if (part == "seen") {
        const QDateTime seen = QDateTime::fromString(QString::fromUtf8(payload), Qt::ISODate);
        if (seen.isValid())
            s.seenMs = seen.toMSecsSinceEpoch();
        forgetOld();
    }
}

void MqttPublisher::forgetOld()
{
    if (!client_.isConnected())
        return;
    const int64_t now = clock_.utcMs();
    for (const auto& [id, s] : sticks_)
        if (!s.present && s.seenMs >= 0 && now - s.seenMs > settings_.forgetAfterDays * kDayMs)
            forgetter_.forget(id);
}

void MqttPublisher::afterPass()
{
    // Due on a schedule: a pass within half a read interval of the time
    // counts, so that timer jitter never skips a message.
    const double nowMs = clock_.elapsedMs();
    bool due = settings_.publishInterval <= 0;
    if (!due && nowMs >= nextStateMs_ - readInterval_ * 500) {
        due = true;
        nextStateMs_ += settings_.publishInterval * 1000;
        if (nextStateMs_ <= nowMs) // the first, or after a pause: a new schedule from now
            nextStateMs_ = nowMs + settings_.publishInterval * 1000;
    }
    const bool seenDue = nowMs >= nextSeenMs_;
    if (seenDue)
        nextSeenMs_ = nowMs + kSeenEveryMs;
    const LocalDateTime now = clock_.now();
    const int64_t utc = clock_.utcMs();
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        if (!publishes(i))
            continue;
        const StickRecord* s = link_.slot(i);
        const QString id = mqttStick(link_, i, settings_);
        Stick& known = sticks_[id];
        const bool open = link_.Nymstick_isOpen(i) && s->nChannels > 0;
        // A pass without values publishes nothing new (no old value with a
        // fresh time); three in a row make the stick unavailable, the next
        // values available again.
        const bool read = open && hasValues(*s);
        known.passesWithoutValues = read ? 0 : known.passesWithoutValues + 1;
        if (open) {
            if (!std::exchange(known.present, true) || seenDue)
                client_.publish(stickSeen(settings_, id, utc));
            known.seenMs = utc;
            announce(i, id);
        } else if (std::exchange(known.present, false)) {
            known.seenMs = utc;
            client_.publish(stickSeen(settings_, id, utc));
        }
        if (read && due) {
            client_.publish(stateMessage(link_, i, settings_, now));
            ++statesSent_;
        }
        if (read || !open || known.passesWithoutValues >= kPassesBeforeUnavailable)
            setAvailable(id, read);
    }
    forgetOld();
}

void MqttPublisher::sticksChanged()
{
    const int64_t now = clock_.utcMs();
    QSet<QString> here;
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (publishes(i) && link_.Nymstick_isOpen(i))
            here.insert(mqttStick(link_, i, settings_));
    for (auto& [id, s] : sticks_)
        if (s.present && !here.contains(id)) {
            s.present = false;
            s.seenMs = now;
            setAvailable(id, false);
            client_.publish(stickSeen(settings_, id, now));
        }
}

} // namespace vs
