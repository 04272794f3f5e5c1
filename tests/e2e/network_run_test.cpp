// Two real program processes on loopback: a server with a simulated stick and
// a client without sticks, whose plot and log follow the server's readings.
#include "program_run.h"
#include "sockets.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

using vstest::ProgramRun;
using vstest::waitFor;

void startCopy(ProgramRun& copy, const QString& network, const QString& simulate)
{
    copy.writeSettings(network + "[HIDsettings]\nLog2file=1\nLogFile=" + copy.log() + "\nDisableEmulation=True\n");
    copy.start({}, simulate);
}

// The first value of every sample line (the header line has names).
QStringList firstValues(const ProgramRun& copy)
{
    QStringList out;
    for (const QByteArray& line : copy.logLines()) {
        const QList<QByteArray> fields = line.split('\t');
        bool number = false;
        if (fields.size() >= 2)
            QString::fromUtf8(fields[1]).trimmed().toDouble(&number);
        if (number)
            out << QString::fromUtf8(fields[1]).trimmed();
    }
    return out;
}

TEST(NetworkRun, AClientPlotsTheServersSticksAndFollowsTheirValues)
{
    {
        // The client asks the server's default port.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::Any, 5800))
            GTEST_SKIP() << "port 5800 is in use on this machine";
    }
    ProgramRun server, client;
    startCopy(server, "[NetworkSettings]\nNetworkOption=2\nLocalPort=5800\n", "5");
    ASSERT_TRUE(waitFor([&] { return firstValues(server).size() >= 1; })) << "the server samples";
    startCopy(client,
              "[NetworkSettings]\nNetworkOption=1\nLocalPort=" + QString::number(vstest::freePort()) +
                  "\nnServers=1\nServer0=127.0.0.1\n",
              "");
    ASSERT_TRUE(waitFor([&] { return firstValues(client).size() >= 4; })) << "the client logs its network stick";

    const QStringList got = firstValues(client);
    const QStringList served = firstValues(server);
    int known = 0;
    for (const QString& v : got)
        known += served.contains(v) ? 1 : 0;
    EXPECT_GE(known, got.size() - 1) << "the client's values are the server's readings";
    EXPECT_GT(QSet<QString>(got.begin(), got.end()).size(), 1) << "and they change with them";
}

} // namespace
