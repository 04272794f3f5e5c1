// The "trg" round trip on loopback: a client sends "trg" to a server with ten
// sticks and waits for the ten "update" lines and the prompt. Prints the
// median and the largest time per request.
#include "common/clock.h"
#include "net/net_link.h"
#include "net/qt_net_socket.h"
#include "stick/config_read.h"
#include "stick/stick_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto wait = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    vs::SystemClock clock;
    vs::StickLink link(clock, wait);
    for (int i = 0; i < 10; ++i) {
        const int s = link.Nymstick_AddEmulated();
        vs::Nymstick_GetConfig(link, s);
    }
    int port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    vs::QtNetSocket socket;
    vs::NetLink server(link, socket, wait, "Nym USB server Version bench");
    server.settings.NetworkMode = 2;
    server.settings.localPort = std::to_string(port);
    server.Open_Server_or_client();

    QTcpSocket client;
    QByteArray got;
    QObject::connect(&client, &QTcpSocket::readyRead, [&] { got += client.readAll(); });
    client.connectToHost("127.0.0.1", static_cast<quint16>(port));
    const auto until = [&](const std::function<bool()>& done) {
        while (!done())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    };
    until([&] { return got.contains("Nym>"); });

    const int requests = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(requests));
    for (int r = 0; r < requests; ++r) {
        got.clear();
        QElapsedTimer t;
        t.start();
        client.write("trg\n");
        until([&] { return got.endsWith("Nym>"); });
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (r == 0 && got.count("update [") != 10)
            std::fprintf(stderr, "unexpected reply: %s\n", got.constData());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("trg round trip, 10 sticks, %d requests on loopback: median %.3f ms, 99th %.3f ms, max %.3f ms\n",
                requests, ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    return 0;
}
