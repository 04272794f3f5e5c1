#pragma once
#include "publish/mqtt_client.h"

#include <QObject>
#include <QSet>

namespace vs {

class StickLink;
class Clock;

// Publishes after every sampling pass: one retained state message per valid
// stick, and, the first time a stick is seen, its Home Assistant discovery
// configs (again after every reconnection). A stick that leaves removes
// nothing.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(const StickLink& link, const Clock& clock, MqttSettings settings, QObject* parent = nullptr);

    MqttClient& client() { return client_; }
    void afterPass();

private:
    void announce(int stick);

    const StickLink& link_;
    const Clock& clock_;
    MqttSettings settings_;
    MqttClient client_;
    QSet<QString> announced_;
};

} // namespace vs
