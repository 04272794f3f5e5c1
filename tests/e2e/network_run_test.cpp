// Two real program processes on loopback: a server with a simulated stick and
// a client without sticks, whose plot and log follow the server's readings.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <memory>

namespace {

// Closes with a reset, as a peer that vanishes does: what it sent is still
// on its way when the close arrives.
void resetClose(QTcpSocket& s)
{
    const linger now{1, 0};
    ::setsockopt(static_cast<int>(s.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    s.abort();
}

struct Copy {
    QTemporaryDir home;
    QProcess process;

    QString log() const { return home.path() + "/values.log"; }
    void start(const QString& ini, const QString& simulate)
    {
        QDir().mkpath(home.path() + "/config/Ventiscope");
        QFile f(home.path() + "/config/Ventiscope/Ventiscope.ini");
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((ini + "[HIDsettings]\nLog2file=1\nLogFile=" + log() + "\nDisableEmulation=True\n").toUtf8());
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        env.insert("HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VENTISCOPE_SIMULATE", simulate);
        process.setProcessEnvironment(env);
        process.start(VENTISCOPE_EXE, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    // The first value of every sample line (the header line has names).
    QStringList firstValues() const
    {
        QFile f(log());
        QStringList out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            bool number = false;
            if (fields.size() >= 2)
                QString::fromUtf8(fields[1]).trimmed().toDouble(&number);
            if (number)
                out << QString::fromUtf8(fields[1]).trimmed();
        }
        return out;
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
    }
};

bool eventually(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QThread::msleep(100);
    return done();
}

TEST(NetworkRun, AClientPlotsTheServersSticksAndFollowsTheirValues)
{
    {
        // The client asks the server's default port.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::Any, 5800))
            GTEST_SKIP() << "port 5800 is in use on this machine";
    }
    Copy server, client;
    server.start("[NetworkSettings]\nNetworkOption=2\nLocalPort=5800\n", "5");
    ASSERT_TRUE(eventually([&] { return server.firstValues().size() >= 1; }, 15000)) << "the server samples";

    QTcpServer freeProbe;
    ASSERT_TRUE(freeProbe.listen(QHostAddress::LocalHost, 0));
    const QString clientPort = QString::number(freeProbe.serverPort());
    freeProbe.close();
    client.start("[NetworkSettings]\nNetworkOption=1\nLocalPort=" + clientPort + "\nnServers=1\nServer0=127.0.0.1\n",
                 "x");
    ASSERT_TRUE(eventually([&] { return client.firstValues().size() >= 4; }, 20000))
        << "the client logs its network stick's values";

    const QStringList got = client.firstValues();
    const QStringList served = server.firstValues();
    int known = 0;
    for (const QString& v : got) {
        EXPECT_NE(v.toDouble(), 0.0) << v.toStdString();
        known += served.contains(v) ? 1 : 0;
    }
    EXPECT_GE(known, got.size() - 1) << "the client's values are the server's readings";
    EXPECT_GT(QSet<QString>(got.begin(), got.end()).size(), 1) << "and they change with them";
}

// A peer whose lines make the window print (and so run its events) and that
// closes at once: the window lives on (the client side is tested in-process,
// tests/window/network_peer_test.cpp).
const QByteArray kPrintAndGo[] = {"m hello\nm hello\n", "add [USB:x:0]M|2|0|CO2|ppm|900|1|T|C|21\nupdateplot\n"};

TEST(NetworkRun, APeerThatPrintsAndClosesAtOnceLeavesTheWindowRunning)
{
    QTcpServer freeProbe;
    ASSERT_TRUE(freeProbe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = freeProbe.serverPort();
    freeProbe.close();
    Copy server;
    server.start("[NetworkSettings]\nNetworkOption=2\nLocalPort=" + QString::number(port) + "\n", "5");
    ASSERT_TRUE(eventually([&] { return server.firstValues().size() >= 1; }, 15000));
    for (const QByteArray& sequence : kPrintAndGo)
        for (int round = 0; round < 20; ++round) {
            ASSERT_EQ(server.process.state(), QProcess::Running) << "round " << round << " of " << sequence.constData();
            QTcpSocket peer;
            peer.connectToHost("127.0.0.1", port);
            ASSERT_TRUE(peer.waitForConnected(5000)) << "round " << round;
            QByteArray greeting;
            while (!greeting.contains("Nym>") && peer.waitForReadyRead(3000))
                greeting += peer.readAll();
            peer.write(sequence);
            peer.waitForBytesWritten(1000);
            resetClose(peer);
            QThread::msleep(30);
            ASSERT_EQ(server.process.state(), QProcess::Running) << "round " << round << " of " << sequence.constData();
        }
    // Still answering.
    QTcpSocket last;
    last.connectToHost("127.0.0.1", port);
    ASSERT_TRUE(last.waitForConnected(5000));
    last.write("ver\n");
    QByteArray got;
    ASSERT_TRUE(eventually([&] {
        last.waitForReadyRead(100);
        got += last.readAll();
        return got.count("Version") >= 2;
    }, 5000)) << got.toStdString();
}

} // namespace
