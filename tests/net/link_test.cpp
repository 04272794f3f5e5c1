// The network link on real sockets on loopback, with ports chosen free at run time.
#include "net/net_link.h"
#include "net/qt_net_socket.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include "sockets.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using vstest::freePort;
using vstest::waitFor;

void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One side of a link: its own stick table, socket and status lines.
struct Side {
    vs::SystemClock clock;
    // The waits run the event loop for real; what they were asked for is counted.
    long waitedMs = 0;
    vs::StickLink link{clock, [this](int ms) { waitedMs += ms; runEvents(ms); }};
    vs::QtNetSocket socket;
    vs::NetLink net{link, socket, [this](int ms) { waitedMs += ms; runEvents(ms); },
                    "Nym USB server Version 2.41.0 svn:$Rev: 1 $ "};
    std::vector<std::string> printed;
    int deviceChanges = 0;
    int modeChanges = 0;

    Side(int mode, int localPort, int remotePort)
    {
        net.settings.NetworkMode = mode;
        net.settings.localPort = std::to_string(localPort);
        net.settings.remotePort = std::to_string(remotePort);
        net.face.print = [this](const std::string& t) { printed.push_back(t); };
        net.face.deviceChanged = [this] { ++deviceChanges; };
        net.face.modeChanged = [this] { ++modeChanges; };
        net.face.later = [](int ms, std::function<void()> f) { QTimer::singleShot(ms, std::move(f)); };
    }
    int count(const std::string& start) const
    {
        int n = 0;
        for (const auto& p : printed)
            n += p.rfind(start, 0) == 0 ? 1 : 0;
        return n;
    }
    bool saw(const std::string& start) const { return count(start) > 0; }
};

// A terminal on the server's port and what it has received.
struct Terminal {
    QTcpSocket socket;
    QByteArray got;
    explicit Terminal(int port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(); });
        socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
    }
    bool prompted() { return waitFor([this] { return got.contains("Nym>"); }); }
    void write(const QByteArray& text) { socket.write(text); }
};

TEST(NetLink, AServerGreetsAndAnswersATerminal)
{
    const int port = freePort();
    Side server(2, port, 0);
    server.net.Open_Server_or_client();
    EXPECT_EQ(server.printed, (std::vector<std::string>{"Listening on 0.0.0.0:" + std::to_string(port) + "\n"}));
    EXPECT_EQ(server.net.state(), 2);

    Terminal terminal(port);
    ASSERT_TRUE(terminal.prompted());
    EXPECT_EQ(terminal.got.toStdString(), "Nym USB server Version 2.41.0 svn:$Rev: 1 $ \r\nReady\r\n0001:Nym>");
    EXPECT_TRUE(server.saw("Closing connection for: 0.0.0.0")) << "the listening socket makes way";
    EXPECT_TRUE(server.saw("Accepted connection from: 127.0.0.1"));
    EXPECT_EQ(server.net.state(), 7);

    // A second client is refused while one is connected.
    QTcpSocket second;
    second.connectToHost("127.0.0.1", static_cast<quint16>(port));
    ASSERT_TRUE(waitFor([&] { return second.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(second.error(), QAbstractSocket::ConnectionRefusedError);

    // One byte at a time, each taken into the line buffer as it comes: the
    // event loop never waits on a slow peer.
    terminal.got.clear();
    std::string taken;
    for (char c : std::string("help")) {
        terminal.write(QByteArray(1, c));
        taken += c;
        ASSERT_TRUE(waitFor([&] { return server.net.interpreter().nw_RxBuf == taken; }));
    }
    terminal.write("\n");
    ASSERT_TRUE(terminal.prompted());
    EXPECT_EQ(terminal.got.toStdString(), vs::NetInterpreter::SyntaxHelp() + "\r\n0002:Nym>");

    // The client leaves; the server listens again.
    terminal.socket.disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return server.net.state() == 2; }));
    Terminal again(port);
    ASSERT_TRUE(again.prompted());
    EXPECT_TRUE(again.got.endsWith("0003:Nym>")) << "the prompt count goes on across connections";
}

TEST(NetLink, APortInUseFallsBackToClientAndBothFailingGiveTwoReportsAndNoServerToListening)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    const int busyPort = occupant.serverPort();
    const int nobody = freePort();
    Side side(2, busyPort, nobody);
    side.net.Open_Server_or_client();
    ASSERT_GE(side.printed.size(), 5u);
    EXPECT_EQ(side.printed[0], "Error starting server at port " + std::to_string(busyPort) + ": ");
    EXPECT_NE(side.printed[1].find(", WinSock.state="), std::string::npos) << side.printed[1];
    EXPECT_NE(side.printed[1].find("in use"), std::string::npos) << "the socket layer's own reason";
    EXPECT_EQ(side.printed[2], "Starting as client\n");
    EXPECT_EQ(side.printed[3], "Connecting to server 127.0.0.1:" + std::to_string(nobody) + "\n");
    EXPECT_EQ(side.count("Error "), 2);
    EXPECT_FALSE(side.saw("Starting as server"));
    EXPECT_EQ(side.net.settings.NetworkMode, 1);
    EXPECT_EQ(side.modeChanges, 1);
    EXPECT_EQ(side.waitedMs, 2000) << "the client waits 2 s for the connection";

    // Now a client: with no server it falls back to listening, on the freed port.
    occupant.close();
    side.printed.clear();
    side.net.Open_Server_or_client();
    EXPECT_TRUE(side.saw("Error connecting to 127.0.0.1:" + std::to_string(nobody) + ": "));
    EXPECT_TRUE(side.saw("Starting as server"));
    EXPECT_TRUE(side.saw("Listening on 0.0.0.0:" + std::to_string(busyPort)));
    EXPECT_EQ(side.net.state(), 2);
    EXPECT_EQ(side.net.settings.NetworkMode, 2);
}

TEST(NetLink, AClientListsTheServersSticksAndFollowsTheirValues)
{
    const int port = freePort();
    Side server(2, port, 0);
    auto sims = vs::attachSimulatedSticks(server.link, {{5, 9}, {1, 33}}, server.clock);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(vs::Nymstick_GetConfig(server.link, i), 1);
    server.net.Open_Server_or_client();

    Side client(1, freePort(), port);
    client.net.Open_Server_or_client();
    EXPECT_EQ(client.net.state(), 7);
    ASSERT_TRUE(waitFor([&] { return client.deviceChanges == 1; })) << "the listing ends with updateplot";
    ASSERT_EQ(client.link.SlotsReserved, 2);
    EXPECT_EQ(client.link.slot(0)->Interface, "NW");
    EXPECT_EQ(client.link.slot(0)->DevicePath,
              "127.0.0.1:" + std::to_string(port) + ":USB:" + server.link.slot(0)->DevicePath + ":0");
    EXPECT_EQ(client.link.slot(1)->nChannels, 5);

    server.link.slot(1)->Channels[2].LastValue = 47.125;
    client.net.sendTrigger();
    ASSERT_TRUE(waitFor([&] { return client.link.slot(1)->Channels[2].LastValue == 47.125; }));

    // "bye": the server listens again; the client's network sticks leave
    // with the connection, and come back into their slots when it connects
    // and lists again.
    client.net.nw_Send("bye\n");
    ASSERT_TRUE(waitFor([&] { return client.net.state() == 0; }));
    EXPECT_EQ(client.link.Nymstick_CountConnected(), 0) << "no frozen values of a vanished server";
    EXPECT_EQ(client.deviceChanges, 2);
    ASSERT_TRUE(waitFor([&] { return server.net.state() == 2; }));
    client.net.Open_Server_or_client();
    ASSERT_TRUE(waitFor([&] { return client.deviceChanges == 3; })) << "the listing's updateplot, a second later";
    EXPECT_EQ(client.link.SlotsReserved, 2) << "listed again, not copied";
    EXPECT_EQ(client.link.Nymstick_CountConnected(), 2);
}

TEST(NetLink, AStreamOfUpdateplotRebuildsThePlotAtMostOncePerSecond)
{
    const int port = freePort();
    Side server(2, port, 0);
    std::vector<std::chrono::steady_clock::time_point> rebuilds;
    server.net.face.deviceChanged = [&] { rebuilds.push_back(std::chrono::steady_clock::now()); };
    server.net.Open_Server_or_client();
    Terminal peer(port);
    ASSERT_TRUE(peer.prompted());
    QByteArray& got = peer.got;
    // Thirty at once: one rebuild now, one held back for the end of the second.
    for (int i = 0; i < 30; ++i)
        peer.write("updateplot\n");
    ASSERT_TRUE(waitFor([&] { return rebuilds.size() == 2; }));
    EXPECT_GE(rebuilds[1] - rebuilds[0], std::chrono::seconds(1));
    got.clear();
    peer.write("ver\n");
    ASSERT_TRUE(waitFor([&] { return got.contains("Version"); }));
    EXPECT_EQ(rebuilds.size(), 2u) << "the thirty lines gave two rebuilds";
}

TEST(NetLink, ASilentPeerLosesTheSlotAndAFailedReturnToListeningIsRetried)
{
    const int port = freePort();
    Side server(2, port, 0);
    server.net.idleLimit = std::chrono::seconds(2);
    server.net.listenRetryMs = 200;
    server.net.Open_Server_or_client();
    Terminal silent(port);
    ASSERT_TRUE(silent.prompted());
    // While the peer holds the only slot, another program takes the port.
    QTcpServer blocker;
    ASSERT_TRUE(blocker.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    ASSERT_TRUE(waitFor([&] { return server.saw("Cannot listen again on port " + std::to_string(port)); }));
    EXPECT_TRUE(server.saw("Closing the connection of 127.0.0.1: it sent nothing for 2 s"));
    EXPECT_TRUE(waitFor([&] { return silent.socket.state() == QAbstractSocket::UnconnectedState; }));
    blocker.close();
    ASSERT_TRUE(waitFor([&] { return server.saw("Listening again on"); }));
    EXPECT_EQ(server.count("Cannot listen again"), 1) << "said once, tried until it works";
    Terminal next(port);
    ASSERT_TRUE(next.prompted());
}

TEST(NetLink, AFloodingPeerLeavesTheServerBoundedAndAnswering)
{
    const int port = freePort();
    Side server(2, port, 0);
    server.net.Open_Server_or_client();
    Terminal peer(port);
    ASSERT_TRUE(peer.prompted());
    QByteArray& got = peer.got;
    got.clear();

    peer.write(QByteArray(1 << 20, 'x')); // 1 MiB without a line feed
    peer.write("\n");
    QByteArray adds;
    for (int i = 0; i < 5000; ++i)
        adds += "add [s" + QByteArray::number(i) + "]M|1|0|CO2|ppm|1\n";
    peer.write(adds);
    ASSERT_TRUE(waitFor([&] { return got.count("? too many network sensors") > 1000; }))
        << got.count("? too many network sensors") << " " << got.right(300).toStdString() << " slots "
        << server.link.SlotsReserved;
    EXPECT_EQ(server.link.SlotsReserved, vs::NetInterpreter::kMaxNetworkSticks);
    EXPECT_LE(server.net.interpreter().nw_RxBuf.size(), vs::NetInterpreter::kMaxLine);
    // Replies beyond what the peer has not read yet are dropped, not piled up;
    // once it reads, the server answers again.
    got.clear();
    peer.write("ver\n");
    ASSERT_TRUE(waitFor([&] { return got.contains("Version"); })) << "still answering";
}

} // namespace
