#pragma once
#include "publish/mqtt_client.h"

#include <QSet>

#include <functional>
#include <map>

namespace vs {

// Removes what this node published of a stick from the broker: the stick's
// Home Assistant discovery configs (only those whose state topic is this
// node's: a stick that moved to another node keeps its entities there) and
// its state, availability and "seen" topics. The configs are found by
// subscribing to the stick's config topics; a marker message sent after the
// subscriptions tells when the broker has handed over all it held.
class StickForgetter {
public:
    StickForgetter(MqttClient& client, const MqttSettings& settings);

    // Starts forgetting the stick (its topic name, "A1B2C3"); ends with `done`.
    void forget(const QString& stick);
    // Takes the messages that belong to a forgetting; true when it took one.
    bool take(const QString& topic, const QByteArray& payload);
    // After a reconnection: the pending forgettings are asked for again.
    void reconnected();
    bool busy() const { return !pending_.empty(); }
    // The stick is forgotten: `removed` discovery configs were cleared.
    std::function<void(const QString& stick, int removed)> done;

private:
    QStringList filters(const QString& stick) const;
    QString markerTopic(const QString& stick) const;
    void ask(const QString& stick);

    MqttClient& client_;
    MqttSettings settings_;
    QString run_; // this run's marker, so that two copies' markers never meet
    std::map<QString, int> pending_; // stick -> configs cleared so far
};

} // namespace vs
