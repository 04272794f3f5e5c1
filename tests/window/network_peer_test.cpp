// The real window on the offscreen platform with a hostile network peer:
// lines that print status text (and so let the window handle its events)
// followed at once by the peer's close must not crash it, as server or as
// client, and the sticks a peer added leave with it.
#include "core/event_wait.h"
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "net/net_link.h"
#include "window/plot_view.h"
#include "sockets.h"
#include "window_fixture.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using vstest::freePort;
using vstest::resetClose;
using vstest::waitFor;

struct PeerFixture : vstest::WindowFixture {
    int port = freePort();

    void startAs(int role)
    {
        QSettings file(ini(), QSettings::IniFormat);
        file.setValue("NetworkSettings/NetworkOption", role);
        file.setValue("NetworkSettings/LocalPort", port);
        file.setValue("NetworkSettings/nServers", 1);
        file.setValue("NetworkSettings/Server%5B0%5D", "127.0.0.1");
        file.sync();
        bus.plug({5, 9});
        // The link's waits run the event loop for real: connecting takes real time.
        link.setWait(vs::eventLoopWait());
        startWindow();
    }
    vs::NetLink& net() { return window->core().network(); }
};

const QByteArray kSequences[] = {
    "m hello\nm hello\n",
    "add [USB:x:0]M|2|0|CO2|ppm|900|1|T|C|21\nupdateplot\n",
};

TEST_F(PeerFixture, APeerThatPrintsAndClosesAtOnceLeavesTheServerRunning)
{
    startAs(2);
    ASSERT_EQ(net().state(), 2);
    for (const QByteArray& sequence : kSequences) {
        for (int round = 0; round < 20; ++round) {
            QTcpSocket peer;
            peer.connectToHost("127.0.0.1", static_cast<quint16>(port));
            ASSERT_TRUE(peer.waitForConnected(3000));
            ASSERT_TRUE(waitFor([&] { return peer.bytesAvailable() > 0; })) << "the greeting";
            peer.write(sequence);
            peer.flush();
            resetClose(peer); // closed at once, the lines still on their way
            ASSERT_TRUE(waitFor([&] { return net().state() == 2; })) << "listening again, round " << round;
        }
    }
    EXPECT_EQ(link.Nymstick_CountConnected(), 1) << "the peer's sticks left with it";
    window->core().sampling().Timer1x_Timer();
    EXPECT_EQ(link.StickErrorText, "");
}

TEST_F(PeerFixture, AServerThatPrintsAndClosesAtOnceLeavesTheClientRunning)
{
    QTcpServer peer;
    ASSERT_TRUE(peer.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    int round = 0;
    const QByteArray* sequence = &kSequences[0];
    QObject::connect(&peer, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = peer.nextPendingConnection();
        s->write("Nym USB server Version 2.41.0 svn:x\r\nReady\r\n0001:Nym>");
        // Once the client is connected and listening: the lines, and gone.
        QTimer::singleShot(150, s, [&, s] {
            s->write(*sequence);
            s->flush();
            resetClose(*s);
            s->deleteLater();
            ++round;
        });
    });
    port = freePort(); // its own, should it fall back to listening
    startAs(0);
    net().settings.NetworkMode = 1;
    net().settings.server = "127.0.0.1";
    net().settings.remotePort = std::to_string(peer.serverPort());
    for (const QByteArray& each : kSequences) {
        sequence = &each;
        for (int i = 0; i < 20; ++i) {
            const int before = round;
            net().settings.NetworkMode = 1; // a failed start falls back to listening
            net().Open_Server_or_client();
            ASSERT_TRUE(waitFor([&] { return round > before && net().state() != 7 && net().state() != 6; }))
                << "state " << net().state() << " round " << round << " " << window->plotView().textBox().TextBuffer.toStdString();
        }
    }
    EXPECT_EQ(link.Nymstick_CountConnected(), 1) << "the server's sticks left with it";
}

} // namespace
