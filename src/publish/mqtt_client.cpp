#include "publish/mqtt_client.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace vs {

namespace {

constexpr int kKeepAliveS = 30;
constexpr int kLongestRetryMs = 60000;

struct LibraryInit {
    LibraryInit() { mosquitto_lib_init(); }
};

// "Connection Refused: bad user name or password." reads "bad user name or password".
QString refusal(int rc)
{
    QString why = QString(mosquitto_connack_string(rc)).remove("Connection Refused: ", Qt::CaseInsensitive);
    if (why.endsWith('.'))
        why.chop(1);
    return why;
}

} // namespace

MqttClient::MqttClient(MqttSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), clientId_(settings_.clientId())
{
    static LibraryInit init;
    misc_.setInterval(1000);
    connect(&misc_, &QTimer::timeout, this, [this] { service(); });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] { connectNow(); });
}

MqttClient::~MqttClient()
{
    stopping_ = true;
    // A copy that gave way may still hold its socket: it too ends with a
    // DISCONNECT, so that its last will is not sent over the other copy's status.
    if (connected_ || (gaveWay_ && mosq_ && mosquitto_socket(mosq_) >= 0)) {
        // Going away on purpose: the status and the claim on the node, then the broker is told.
        if (instance_ && !gaveWay_) {
            sendStatus("offline");
            mosquitto_publish(mosq_, nullptr, instanceTopic().toUtf8().constData(), 0, nullptr, 1, true);
        }
        mosquitto_loop_write(mosq_, 1);
        mosquitto_disconnect(mosq_);
        mosquitto_loop_write(mosq_, 1);
    }
    dropSocket();
    if (mosq_)
        mosquitto_destroy(mosq_);
}

void MqttClient::setOneShot(const QString& clientId)
{
    oneShot_ = true;
    clientId_ = clientId;
}

void MqttClient::start()
{
    mosq_ = mosquitto_new(clientId_.toUtf8().constData(), true, this);
    mosquitto_connect_v5_callback_set(mosq_, &MqttClient::onConnect);
    mosquitto_disconnect_v5_callback_set(mosq_, &MqttClient::onDisconnect);
    mosquitto_message_v5_callback_set(mosq_, &MqttClient::onMessage);
    if (!settings_.user.isEmpty())
        mosquitto_username_pw_set(mosq_, settings_.user.toUtf8().constData(),
                                  settings_.password.isEmpty() ? nullptr : settings_.password.toUtf8().constData());
    if (!oneShot_) {
        instance_ = std::make_unique<NodeInstance>(settings_.nodeId, QDateTime::currentMSecsSinceEpoch());
        subscriptions_.prepend(instanceTopic());
        const QByteArray will = "offline";
        mosquitto_will_set(mosq_, settings_.statusTopic().toUtf8().constData(), static_cast<int>(will.size()),
                           will.constData(), 1, true);
    }
    if (!settings_.caFile.isEmpty()) {
        const QByteArray ca = settings_.caFile.toUtf8(), cert = settings_.certFile.toUtf8(),
                         key = settings_.keyFile.toUtf8();
        const int rc = mosquitto_tls_set(mosq_, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                                         key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            say("MQTT: the TLS files (CAFile " + settings_.caFile +
                (cert.isEmpty() ? QString() : ", CertFile " + settings_.certFile + ", KeyFile " + settings_.keyFile) +
                ") cannot be used: " + mosquitto_strerror(rc));
    }
    retryStepMs_ = firstRetryMs;
    connectNow();
    misc_.start();
}

void MqttClient::connectNow()
{
    if (gaveWay_)
        return;
    dropSocket();
    ++attempts_;
    // The first attempt names the broker; later ones reuse it.
    const int rc = std::exchange(started_, true)
                       ? mosquitto_reconnect_async(mosq_)
                       : mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port, kKeepAliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        const QString why =
            rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(strerror(errno)) : QString(mosquitto_strerror(rc));
        state_ = "no connection: " + why;
        say("MQTT: cannot reach the broker " + settings_.host + ":" + QString::number(settings_.port) + ": " + why);
        scheduleRetry();
        return;
    }
    // While retrying, the last failure stays the state.
    if (state_ == "not started")
        state_ = "connecting";
    watchSocket();
}

void MqttClient::watchSocket()
{
    socket_ = mosquitto_socket(mosq_);
    if (socket_ < 0)
        return;
    readNotifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_read(mosq_, 1);
        service();
    });
    writeNotifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Write);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        mosquitto_loop_write(mosq_, 1);
        service();
    });
    writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttClient::dropSocket()
{
    readNotifier_.reset();
    writeNotifier_.reset();
    socket_ = -1;
}

void MqttClient::service()
{
    if (!mosq_)
        return;
    if (mosquitto_socket(mosq_) != socket_) {
        dropSocket();
        if (mosquitto_socket(mosq_) >= 0)
            watchSocket();
    }
    if (socket_ < 0)
        return;
    mosquitto_loop_misc(mosq_);
    if (writeNotifier_)
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttClient::sendStatus(const char* status)
{
    mosquitto_publish(mosq_, nullptr, settings_.statusTopic().toUtf8().constData(), static_cast<int>(strlen(status)),
                      status, 1, true);
}

void MqttClient::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*)
{
    auto* c = static_cast<MqttClient*>(self);
    if (rc != 0) {
        c->state_ = "refused: " + refusal(rc);
        c->refused_ = true;
        c->say("MQTT: the broker " + c->settings_.host + " refused the connection: " + mosquitto_connack_string(rc));
        return; // the broker closes the connection; the retry follows
    }
    if (c->gaveWay_) {
        // An attempt that was under way when this copy gave way: nothing is sent.
        mosquitto_disconnect(c->mosq_);
        mosquitto_loop_write(c->mosq_, 1);
        return;
    }
    c->connected_ = true;
    c->state_ = "connected";
    // The first connection, and one after a problem that was said, is said too.
    if (!std::exchange(c->everConnected_, true) || c->said_)
        c->tell("MQTT: connected to " + c->settings_.host + ":" + QString::number(c->settings_.port) + " as node " +
                c->settings_.nodeId);
    c->said_ = false;
    c->retryStepMs_ = c->firstRetryMs;
    if (!c->oneShot_)
        c->sendStatus("online");
    for (const QString& filter : c->subscriptions_)
        mosquitto_subscribe(c->mosq_, nullptr, filter.toUtf8().constData(), 1);
    if (c->instance_) {
        // After the subscriptions: what the broker held comes before our claim's echo.
        c->instance_->connected();
        const QByteArray claim = c->instance_->claim();
        mosquitto_publish(c->mosq_, nullptr, c->instanceTopic().toUtf8().constData(), static_cast<int>(claim.size()),
                          claim.constData(), 1, true);
    }
    if (c->connected)
        c->connected();
    // What came while the broker was away: the newest of every topic.
    const auto pending = std::move(c->pending_);
    c->pending_.clear();
    for (const auto& [topic, m] : pending)
        c->send(m);
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*)
{
    auto* c = static_cast<MqttClient*>(self);
    const bool was = std::exchange(c->connected_, false);
    if (c->stopping_)
        return;
    // Called from inside the library: the rest runs from the event loop.
    QMetaObject::invokeMethod(c, [c, rc, was] { c->lostConnection(rc, was); }, Qt::QueuedConnection);
}

void MqttClient::lostConnection(int rc, bool was)
{
    dropSocket();
    if (gaveWay_)
        return;
    if (!std::exchange(refused_, false))
        state_ = was ? "lost the connection; trying again" : "no connection; trying again";
    if (rc != 0)
        say(QString("MQTT: ") + (was ? "lost the connection to" : "no connection to") + " the broker " +
            settings_.host + ":" + QString::number(settings_.port) + "; trying again");
    scheduleRetry();
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* m, const mosquitto_property*)
{
    auto* c = static_cast<MqttClient*>(self);
    const QString topic = QString::fromUtf8(m->topic);
    const QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
    const bool retained = m->retain;
    // Handled from the event loop: whoever listens may publish.
    QMetaObject::invokeMethod(c, [c, topic, payload, retained] {
        if (c->instance_ && topic == c->instanceTopic())
            c->claimCame(payload);
        else if (c->received)
            c->received(topic, payload, retained);
    }, Qt::QueuedConnection);
}

QString MqttClient::instanceTopic() const
{
    return settings_.nodeTopic() + "/instance";
}

void MqttClient::claimCame(const QByteArray& payload)
{
    QString said;
    const NodeInstance::Verdict verdict = instance_->take(payload, said);
    if (!said.isEmpty())
        tell(said);
    if (verdict != NodeInstance::Verdict::GiveWay || gaveWay_)
        return;
    // A clean end of the connection: no last will, the other copy's status stands.
    gaveWay_ = true;
    state_ = "stopped: another copy publishes as node " + settings_.nodeId;
    retry_.stop();
    // Written now, not at the next turn of the loop: a socket closed before
    // the DISCONNECT would make the broker send this copy's last will.
    mosquitto_disconnect(mosq_);
    mosquitto_loop_write(mosq_, 1);
}

void MqttClient::scheduleRetry()
{
    if (stopping_ || retry_.isActive())
        return;
    // Full jitter: anywhere from now to the step.
    nextRetryMs_ = static_cast<int>(QRandomGenerator::global()->bounded(retryStepMs_ + 1));
    retry_.start(nextRetryMs_);
    retryStepMs_ = std::min(retryStepMs_ * 2, kLongestRetryMs);
}

void MqttClient::say(const QString& text)
{
    if (said_)
        return;
    said_ = true;
    tell(text);
}

void MqttClient::tell(const QString& text)
{
    // Said from the event loop, never from inside the library: whoever
    // listens may run the event loop, and the library holds its locks here.
    QMetaObject::invokeMethod(this, [this, text] {
        if (report)
            report(text);
    }, Qt::QueuedConnection);
}

void MqttClient::publish(const MqttMessage& m)
{
    if (!connected_) {
        pending_[m.topic] = m; // only the newest counts
        return;
    }
    send(m);
}

void MqttClient::subscribe(const QString& filter)
{
    if (subscriptions_.contains(filter))
        return;
    subscriptions_ << filter;
    if (connected_)
        mosquitto_subscribe(mosq_, nullptr, filter.toUtf8().constData(), 1);
}

void MqttClient::unsubscribe(const QString& filter)
{
    if (!subscriptions_.removeAll(filter))
        return;
    if (connected_)
        mosquitto_unsubscribe(mosq_, nullptr, filter.toUtf8().constData());
}

void MqttClient::sayOnline()
{
    if (connected_ && !oneShot_)
        sendStatus("online");
}

void MqttClient::send(const MqttMessage& m)
{
    const int rc = mosquitto_publish(mosq_, nullptr, m.topic.toUtf8().constData(), static_cast<int>(m.payload.size()),
                                     m.payload.constData(), 0, m.retain);
    if (rc != MOSQ_ERR_SUCCESS)
        pending_[m.topic] = m;
    if (writeNotifier_)
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

} // namespace vs
