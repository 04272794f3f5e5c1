// Two real program processes on loopback: a server with a simulated stick and
// a client without sticks, whose plot and log follow the server's readings.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

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

} // namespace
