#include "publish/mqtt_client.h"

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

} // namespace

MqttClient::MqttClient(MqttSettings settings, QObject* parent) : QObject(parent), settings_(std::move(settings))
{
    static LibraryInit init;
    mosq_ = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(mosq_, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttClient::onDisconnect);
    if (!settings_.user.isEmpty())
        mosquitto_username_pw_set(mosq_, settings_.user.toUtf8().constData(),
                                  settings_.password.isEmpty() ? nullptr : settings_.password.toUtf8().constData());
    const QByteArray will = "offline";
    mosquitto_will_set(mosq_, settings_.statusTopic().toUtf8().constData(), will.size(), will.constData(), 1, true);
    if (!settings_.caFile.isEmpty()) {
        const int rc = mosquitto_tls_set(mosq_, settings_.caFile.toUtf8().constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            say("MQTT: the CA file " + settings_.caFile + " cannot be used: " + mosquitto_strerror(rc));
    }
    misc_.setInterval(1000);
    connect(&misc_, &QTimer::timeout, this, [this] { service(); });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] { connectNow(); });
}

MqttClient::~MqttClient()
{
    stopping_ = true;
    if (connected_) {
        // Going away on purpose: the broker is told, and the status says so.
        const QByteArray offline = "offline";
        mosquitto_publish(mosq_, nullptr, settings_.statusTopic().toUtf8().constData(), offline.size(),
                          offline.constData(), 1, true);
        mosquitto_loop_write(mosq_, 1);
        mosquitto_disconnect(mosq_);
        mosquitto_loop_write(mosq_, 1);
    }
    dropSocket();
    mosquitto_destroy(mosq_);
}

void MqttClient::start()
{
    retryMs_ = firstRetryMs;
    connectNow();
    misc_.start();
}

void MqttClient::connectNow()
{
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

void MqttClient::onConnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttClient*>(self);
    if (rc != 0) {
        // "Connection Refused: bad user name or password." reads "refused: bad user name or password".
        QString why = QString(mosquitto_connack_string(rc)).remove("Connection Refused: ", Qt::CaseInsensitive);
        if (why.endsWith('.'))
            why.chop(1);
        c->state_ = "refused: " + why;
        c->refused_ = true;
        c->say("MQTT: the broker " + c->settings_.host + " refused the connection: " + mosquitto_connack_string(rc));
        return; // the broker closes the connection; the retry follows
    }
    c->connected_ = true;
    c->state_ = "connected";
    // The first connection, and one after a problem that was said, is said too.
    if (!std::exchange(c->everConnected_, true) || c->said_)
        c->tell("MQTT: connected to " + c->settings_.host + ":" + QString::number(c->settings_.port) + " as node " +
                c->settings_.nodeId);
    c->said_ = false;
    c->retryMs_ = c->firstRetryMs;
    const QByteArray online = "online";
    mosquitto_publish(c->mosq_, nullptr, c->settings_.statusTopic().toUtf8().constData(), online.size(),
                      online.constData(), 1, true);
    if (c->connected)
        c->connected();
    // What came while the broker was away: the newest of every topic.
    const auto pending = std::move(c->pending_);
    c->pending_.clear();
    for (const auto& [topic, m] : pending)
        c->send(m);
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttClient*>(self);
    const bool was = std::exchange(c->connected_, false);
    if (c->stopping_)
        return;
    if (!std::exchange(c->refused_, false))
        c->state_ = was ? "lost the connection; trying again" : "no connection; trying again";
    if (rc != 0)
        c->say(QString("MQTT: ") + (was ? "lost the connection to" : "no connection to") + " the broker " +
               c->settings_.host + ":" + QString::number(c->settings_.port) + "; trying again");
    // Called from inside the library: the socket is dropped and the retry timed from the event loop.
    QMetaObject::invokeMethod(c, [c] {
        c->dropSocket();
        c->scheduleRetry();
    }, Qt::QueuedConnection);
}

void MqttClient::scheduleRetry()
{
    if (stopping_ || retry_.isActive())
        return;
    retry_.start(retryMs_);
    retryMs_ = std::min(retryMs_ * 2, kLongestRetryMs);
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
