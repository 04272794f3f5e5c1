#pragma once
#include "publish/mqtt_messages.h"
#include "publish/mqtt_settings.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;
struct mosquitto;

namespace vs {

// A connection to an MQTT broker driven from the Qt event loop: the
// library's socket through socket notifiers, its periodic work on a timer; no
// thread and no wait. While the broker is away only the newest message of
// every topic is kept, to be sent once the connection is back; reconnection
// backs off from `firstRetryMs` up to a minute.
class MqttClient : public QObject {
    Q_OBJECT
public:
    explicit MqttClient(MqttSettings settings, QObject* parent = nullptr);
    ~MqttClient() override;

    // A problem the user should know of; said once until the next good connection.
    std::function<void(const QString&)> report;
    // Runs after every (re)connection: the place to send what the broker must hold.
    std::function<void()> connected;

    int firstRetryMs = 1000;
    void start();
    bool isConnected() const { return connected_; }
    // What the connection is doing, in a few words: "connecting",
    // "connected", "refused: bad user name or password", "no connection: ...".
    const QString& state() const { return state_; }
    // Sends at once when connected; otherwise keeps it as the topic's newest.
    void publish(const MqttMessage& message);
    size_t pendingCount() const { return pending_.size(); }
    // Connection attempts since the start.
    int attempts() const { return attempts_; }

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    void connectNow();
    void watchSocket();
    void dropSocket();
    void service();
    void scheduleRetry();
    void say(const QString& text);
    void tell(const QString& text);
    void send(const MqttMessage& m);

    MqttSettings settings_;
    mosquitto* mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    QTimer misc_, retry_;
    int retryMs_ = 0;
    int attempts_ = 0;
    int socket_ = -1;
    bool connected_ = false;
    bool said_ = false;
    bool stopping_ = false;
    bool started_ = false;
    bool everConnected_ = false;
    bool refused_ = false; // the broker refused this attempt
    std::map<QString, MqttMessage> pending_;
    QString state_ = "not started";
};

} // namespace vs
