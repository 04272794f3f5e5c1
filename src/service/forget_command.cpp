#include "service/forget_command.h"

#include "publish/mqtt_forget.h"
#include "publish/mqtt_settings.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>

namespace vs {

namespace {
constexpr int kGiveUpMs = 30000;
} // namespace

int runForgetStick(int argc, char** argv, const std::string& serial)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Ventiscope");
    SettingsStore store;
    Settings settings(store);
    const MqttSettings mqtt = loadMqttSettings(settings);
    for (const QString& note : settings.takeNotes())
        std::cerr << note.toStdString() << "\n";
    const QString stick = topicSafe(QString::fromStdString(serial).trimmed());
    const std::string broker = mqtt.host.toStdString() + ":" + std::to_string(mqtt.port);
    if (stick.isEmpty()) {
        std::cerr << "ventiscope: --forget-stick needs the stick's serial number\n";
        return 2;
    }
    // A client id of its own and no last will: a running copy of this node
    // keeps its connection and its status.
    MqttClient client(mqtt);
    client.setOneShot(mqtt.clientId() + "-forget-" + QString::number(QCoreApplication::applicationPid()));
    StickForgetter forgetter(client, mqtt);
    int code = 1;
    std::string problem;
    client.report = [&](const QString& text) {
        if (!text.startsWith("MQTT: connected"))
            problem = text.toStdString();
        if (text.contains("refused")) {
            std::cerr << "ventiscope: " << problem << "\n";
            app.exit(1);
        }
    };
    client.connected = [&] {
        if (!forgetter.busy())
            forgetter.forget(stick);
    };
    client.received = [&](const QString& topic, const QByteArray& payload, bool) { forgetter.take(topic, payload); };
    forgetter.done = [&](const QString&, int removed) {
        std::cerr << "Removed " << removed << " discovery config" << (removed == 1 ? "" : "s") << " of stick "
                  << stick.toStdString() << " (node " << mqtt.nodeId.toStdString() << ") and its topics from "
                  << broker << ".";
        if (removed == 0)
            std::cerr << " This node had published none.";
        std::cerr << " A running copy with the stick plugged in announces it again.\n";
        code = 0;
        app.exit(0);
    };
    QTimer::singleShot(kGiveUpMs, &app, [&] {
        std::cerr << "ventiscope: the broker " << broker << " did not answer within " << kGiveUpMs / 1000 << " s"
                  << (problem.empty() ? std::string() : " (" + problem + ")") << "; nothing was removed\n";
        app.exit(1);
    });
    client.start();
    app.exec();
    return code;
}

} // namespace vs
