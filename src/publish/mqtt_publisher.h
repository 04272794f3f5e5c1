#pragma once
#include "publish/mqtt_client.h"
#include "publish/mqtt_forget.h"

#include <QObject>
#include <QSet>

#include <map>

namespace vs {

class StickLink;
class Clock;

// Publishes the sticks this copy owns (and, when asked, the network sticks
// that say who they are). After a pass: each stick's retained state, once
// per publishing interval counted from a schedule (never for a pass without
// values), and its availability ("online" while open and giving values,
// "offline" once gone or after three passes without values). On every
// connection and whenever Home Assistant says it is back ("online" on
// "<discovery>/status"): the node's device, each present stick's discovery
// configs and availability again, so that a broker that lost its retained
// messages holds them again. A stick this node published before that is not
// here is set "offline"; after ForgetAfterDays without it, its configs are
// removed. A clean stop sets every present stick "offline" before the node.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QString version,
                  QObject* parent = nullptr);
    ~MqttPublisher() override;

    MqttClient& client() { return client_; }
    // The sampling pass's read interval: the publishing interval with 0,
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
    // State messages sent since the start.
    long statesSent() const { return statesSent_; }
    // Sticks forgotten since the start (their configs removed).
    const QStringList& forgotten() const { return forgotten_; }

private:
    struct Stick {
        bool present = false;
        bool online = false;
        int64_t seenMs = -1; // when this node last had it (-1: not known)
        int passesWithoutValues = 0;
    };
    bool publishes(int stick) const;
    void announceAll();
    void announce(int stick, const QString& id);
    void setAvailable(const QString& id, bool online, bool again = false);
    void received(const QString& topic, const QByteArray& payload, bool retained);
    void forgetOld();
    double interval() const;

    const StickLink& link_;
    const Clock& clock_;
    MqttSettings settings_;
    QString version_;
    MqttClient client_;
    StickForgetter forgetter_;
    double readInterval_ = 1;
    double nextStateMs_ = -1e18;
    double nextSeenMs_ = -1e18;
    long statesSent_ = 0;
    QSet<QString> announced_;
    std::map<QString, Stick> sticks_; // by topic name
    QStringList forgotten_;
};

} // namespace vs
