#pragma once
#include "publish/mqtt_client.h"

#include <QObject>
#include <QSet>

#include <map>

namespace vs {

class StickLink;
class Clock;

// Publishes the sticks this copy owns (and, when asked, the network sticks
// that say who they are): after a pass, each stick's retained state (not
// for a pass without values, and at most once per publishing interval) and
// its availability ("online" while open and giving values, "offline" once
// gone or after three passes without values, sent when it changes); Home Assistant's discovery configs once per connection and
// per stick that arrives.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QString version,
                  QObject* parent = nullptr);

    MqttClient& client() { return client_; }
    // The sampling pass's read interval: the default publishing interval
    // and the base of how long a value stays valid in Home Assistant.
    void setReadInterval(double seconds) { readInterval_ = seconds; }
    void afterPass();
    // The set of sticks changed: those that left go offline at once.
    void sticksChanged();
    // One message, not kept, to "<prefix>/<node>/test"; false (and why) when
    // there is no connection to send it on.
    bool sendTest(QString& error);
    // Seconds after which Home Assistant takes a value as stale.
    int expireAfter() const;

private:
    bool publishes(int stick) const;
    void announce(int stick);
    void setAvailable(int stick, bool online);
    double interval() const;

    const StickLink& link_;
    const Clock& clock_;
    MqttSettings settings_;
    QString version_;
    MqttClient client_;
    double readInterval_ = 1;
    double lastStateMs_ = -1e18;
    QSet<QString> announced_;
    std::map<QString, bool> online_;
    std::map<QString, int> passesWithoutValues_;
};

} // namespace vs
