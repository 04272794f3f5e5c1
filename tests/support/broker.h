#pragma once
// A real mosquitto broker on a free loopback port with a configuration of its
// own, and a subscriber that collects every message.
#include "sockets.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <functional>
#include <string>
#include <vector>

namespace vstest {

class Broker {
public:
    // With `clientCertificates`: TLS only, and a client must show a
    // certificate of the test's own authority (ca.crt, client.crt and
    // client.key in `dir`).
    explicit Broker(const QString& user = {}, const QString& password = {}, bool clientCertificates = false)
        : port(freePort())
    {
        // Run as root (CI), the broker would drop to its own user, who may not read our folder.
        QString conf = QString("listener %1 127.0.0.1\npersistence false\nuser root\n").arg(port);
        if (clientCertificates) {
            makeCertificates();
            conf += "cafile " + dir.path() + "/ca.crt\ncertfile " + dir.path() + "/server.crt\nkeyfile " + dir.path() +
                    "/server.key\nrequire_certificate true\n";
        }
        if (user.isEmpty()) {
            conf += "allow_anonymous true\n";
        } else {
            const QString file = dir.path() + "/passwords";
            QProcess::execute("mosquitto_passwd", {"-b", "-c", file, user, password});
            conf += "allow_anonymous false\npassword_file " + file + "\n";
        }
        QFile f(dir.path() + "/broker.conf");
        f.open(QIODevice::WriteOnly);
        f.write(conf.toUtf8());
        f.close();
        start();
    }
    ~Broker() { stop(); }
    bool start()
    {
        process.start("mosquitto", {"-c", dir.path() + "/broker.conf"});
        if (!process.waitForStarted(5000))
            return false;
        // Ready once it accepts a connection.
        return waitFor([&] {
            QTcpSocket probe;
            probe.connectToHost("127.0.0.1", static_cast<quint16>(port));
            return probe.waitForConnected(200);
        });
    }
    void stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(5000);
        }
    }

    QTemporaryDir dir;
    int port;
    QProcess process;

private:
    void makeCertificates()
    {
        const QString script = R"(set -e
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -subj /CN=TestAuthority -days 2
for who in server client; do
  openssl req -newkey rsa:2048 -nodes -keyout $who.key -out $who.csr -subj /CN=127.0.0.1
  printf 'subjectAltName=IP:127.0.0.1\n' > $who.ext
  openssl x509 -req -in $who.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out $who.crt -days 2 -extfile $who.ext
done)";
        QProcess openssl;
        openssl.setWorkingDirectory(dir.path());
        openssl.start("sh", {"-c", script});
        openssl.waitForFinished(60000);
    }
};

struct Received {
    std::string topic, payload;
    bool retain = false;
};

// Subscribes to everything; pump() runs both the program's event loop and this client.
class Subscriber {
public:
    explicit Subscriber(int port, const char* topic = "#", const char* user = nullptr, const char* password = nullptr)
    {
        mosquitto_lib_init();
        m_ = mosquitto_new(nullptr, true, this);
        if (user)
            mosquitto_username_pw_set(m_, user, password);
        mosquitto_message_callback_set(m_, [](mosquitto*, void* self, const mosquitto_message* msg) {
            auto* s = static_cast<Subscriber*>(self);
            s->messages.push_back({msg->topic, std::string(static_cast<const char*>(msg->payload),
                                                           static_cast<size_t>(msg->payloadlen)),
                                   msg->retain});
        });
        if (mosquitto_connect(m_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS)
            mosquitto_subscribe(m_, nullptr, topic, 1);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(m_);
        mosquitto_destroy(m_);
    }
    // Runs the program's event loop and this client until `done`.
    bool pump(const std::function<bool()>& done)
    {
        return waitFor([&] {
            mosquitto_loop(m_, 0, 1);
            return done();
        });
    }
    // Publishes as another client would (Home Assistant, a copy gone before).
    void publish(const std::string& topic, const std::string& payload, bool retain)
    {
        mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
        mosquitto_loop(m_, 0, 1);
    }
    const Received* last(const std::string& topic) const
    {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (it->topic == topic)
                return &*it;
        return nullptr;
    }
    int count(const std::string& topic) const
    {
        int n = 0;
        for (const Received& r : messages)
            n += r.topic == topic ? 1 : 0;
        return n;
    }
    std::vector<Received> messages;

private:
    mosquitto* m_;
};

} // namespace vstest
