#pragma once
#include "publish/mqtt_messages.h"
#include "publish/mqtt_settings.h"
#include "publish/node_instance.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;

namespace vs {

// A connection to an MQTT broker (MQTT 5) driven from the Qt event loop: the
// library's socket through socket notifiers, its periodic work on a timer; no
// thread and no wait. While the broker is away only the newest message of
// every topic is kept, to be sent once the connection is back. Reconnection
// waits a random time up to a step that doubles from `firstRetryMs` to a
// minute (full jitter: a building of copies does not come back in lock-step).
// The client id is the node's own ("ventiscope-<node>"); a second copy with
// the same node id is found out through the node's instance claim, said by
// both, and the later one gives way (NodeInstance).
class MqttClient : public QObject {
    Q_OBJECT
public:
    explicit MqttClient(MqttSettings settings, QObject* parent = nullptr);
    ~MqttClient() override;

    // A problem the user should know of; said once until the next good connection.
    std::function<void(const QString&)> report;
    // Runs after every (re)connection: the place to send what the broker must hold.
    std::function<void()> connected;
    // A message on a subscribed topic; `retained` for what the broker held.
    std::function<void(const QString& topic, const QByteArray& payload, bool retained)> received;

    int firstRetryMs = 1000;
    // Another client id and no last will: a one-shot command beside a running copy.
    void setOneShot(const QString& clientId);
    void start();
    bool isConnected() const { return connected_; }
    // What the connection is doing, in a few words: "connecting",
    // "connected", "refused: bad user name or password", "no connection: ...".
    const QString& state() const { return state_; }
    // Sends at once when connected; otherwise keeps it as the topic's newest.
    void publish(const MqttMessage& message);
    // Topics taken on every connection (a filter with "+" or "#" is fine).
    void subscribe(const QString& filter);
    void unsubscribe(const QString& filter);
    // The node's status "online" once more (Home Assistant started again).
    void sayOnline();
    size_t pendingCount() const { return pending_.size(); }
    // Connection attempts since the start.
    int attempts() const { return attempts_; }
    // The delay before the next attempt (for the log and tests).
    int nextRetryMs() const { return nextRetryMs_; }
    // Another copy with this node id started first: this one publishes nothing.
    bool gaveWay() const { return gaveWay_; }

private:
    static void onConnect(mosquitto*, void* self, int rc, int flags, const ::mqtt5__property* props);
    static void onDisconnect(mosquitto*, void* self, int rc, const ::mqtt5__property* props);
    static void onMessage(mosquitto*, void* self, const ::mosquitto_message* message,
                          const ::mqtt5__property* props);
    void connectNow();
    void watchSocket();
    void dropSocket();
    void service();
    void scheduleRetry();
    void lostConnection(int rc, bool was);
    void say(const QString& text);
    void tell(const QString& text);
    void send(const MqttMessage& m);
    void sendStatus(const char* status);
    QString instanceTopic() const;
    void claimCame(const QByteArray& payload);

    MqttSettings settings_;
    QString clientId_;
    bool oneShot_ = false;
    mosquitto* mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    QTimer misc_, retry_;
    int retryStepMs_ = 0;
    int nextRetryMs_ = 0;
    int attempts_ = 0;
    std::unique_ptr<NodeInstance> instance_;
    bool gaveWay_ = false;
    int socket_ = -1;
    bool connected_ = false;
    bool said_ = false;
    bool stopping_ = false;
    bool started_ = false;
    bool everConnected_ = false;
    bool refused_ = false; // the broker refused this attempt
    QStringList subscriptions_;
    std::map<QString, MqttMessage> pending_;
    QString state_ = "not started";
};

} // namespace vs
