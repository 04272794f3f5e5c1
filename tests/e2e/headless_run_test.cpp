// The headless service as a real process without a display: it samples two
// simulated sticks, logs, serves the network link and the metrics over real
// loopback sockets, stands up to hostile HTTP clients and ends on SIGTERM.
#include "files.h"
#include "program_run.h"
#include "sockets.h"

#include <QRegularExpression>

#include <algorithm>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

using vstest::waitFor;

// The series of one exposition: "name{labels}" -> value.
std::map<QString, double> series(const QByteArray& exposition)
{
    std::map<QString, double> out;
    for (const QByteArray& line : exposition.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype space = line.lastIndexOf(' ');
        out[QString::fromUtf8(line.left(space))] = line.mid(space + 1).toDouble();
    }
    return out;
}

long rssKiB(qint64 pid)
{
    QFile f(QString("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

struct Service : vstest::ProgramRun {
    int netPort = vstest::freePort();
    int metricsPort = vstest::freePort();
    QString listen = "127.0.0.1:" + QString::number(metricsPort);

    void start()
    {
        writeSettings(QString("[HIDsettings]\nLog2file=1\nLogFile=%1\n"
                              "[NetworkSettings]\nNetworkOption=2\nLocalPort=%2\n"
                              "[Metrics]\nEnabled=1\nListen=%3\n")
                          .arg(log())
                          .arg(netPort)
                          .arg(listen));
        ProgramRun::start({"--headless"}, "5,5", false);
    }
    QByteArray scrape() const { return vstest::okBody(vstest::httpGet(metricsPort)); }
};

TEST(HeadlessRun, SamplesLogsServesNetworkAndMetricsAndEndsOnSigterm)
{
    Service service;
    service.start();
    ASSERT_TRUE(waitFor([&] { return service.logLines().size() >= 3; })) << service.out().toStdString();

    // The network protocol: the service greets a peer as the window does.
    QTcpSocket peer;
    peer.connectToHost("127.0.0.1", static_cast<quint16>(service.netPort));
    QByteArray got;
    ASSERT_TRUE(waitFor([&] { return (got += peer.readAll()).contains("Nym>"); }));
    EXPECT_TRUE(got.startsWith("Nym USB server Version 2.41.0")) << got.toStdString();
    peer.disconnectFromHost();

    // The metrics: one pass's figures; the logged value is the pass's line.
    const QByteArray exposition = service.scrape();
    ASSERT_FALSE(exposition.isEmpty());
    const QList<QByteArray> lines = service.logLines();
    const auto m = series(exposition);
    const long passes = std::lround(m.at("ventiscope_sampling_passes_total"));
    ASSERT_GE(passes, 1);
    ASSERT_GT(lines.size(), passes) << "a header line and one line per pass";
    const double logged = QString::fromUtf8(lines[passes].split('\t').value(1)).trimmed().replace(',', '.').toDouble();
    const QString key = "ventiscope_co2_ppm{serial=\"SIM00000000000000001000\",channel=\"0\",label=\"CO2eq\"}";
    ASSERT_TRUE(m.count(key)) << exposition.toStdString();
    EXPECT_NEAR(m.at(key), logged, 1e-9 * std::max(1.0, std::abs(logged)));
    EXPECT_EQ(m.at("ventiscope_stick_open{serial=\"SIM00000000000000001001\",interface=\"USB\"}"), 1);
    EXPECT_EQ(m.at("ventiscope_failed_reads_total"), 0);

    // Prometheus' own checker accepts the exposition.
    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    ASSERT_TRUE(promtool.waitForStarted()) << "promtool (Debian package prometheus) is needed";
    promtool.write(exposition);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(vstest::kHangGuardMs));
    EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAllStandardOutput().toStdString()
                                      << promtool.readAllStandardError().toStdString();

    // A backup while the service writes is a history of its own.
    QDir().mkpath(service.path("restored/Ventiscope"));
    const auto backup = service.once({"--backup-history=" + service.path("restored/Ventiscope/history.sqlite")});
    EXPECT_EQ(backup.code, 0) << backup.err.toStdString();

    // SIGTERM: the normal shut-down, every line whole.
    ::kill(static_cast<pid_t>(service.process.processId()), SIGTERM);
    EXPECT_EQ(service.finish(), 0);
    const QByteArray all = vstest::readFile(service.log());
    EXPECT_TRUE(all.endsWith("\r\n"));
    EXPECT_EQ(all.count("\r\n"), all.count('\n'));
    const QString out = QString::fromUtf8(service.out());
    const QRegularExpression stamped("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S");
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(out.contains("2 sensors found:") && out.contains("Ventiscope service ended")) << out.toStdString();

    // The history holds what the value log holds, pass for pass, value for value.
    const auto exported = service.once({"--export-history", "--format=tsv"});
    EXPECT_EQ(exported.code, 0) << exported.err.toStdString();
    const QList<QByteArray> history = exported.out.split('\n');
    const QList<QByteArray> logLines = all.split('\n');
    ASSERT_EQ(history.size(), logLines.size()) << exported.out.toStdString() << "\n---\n" << all.toStdString();
    // The log holds the channels shown in the plot, the history every channel.
    const QList<QByteArray> historyHead = history[0].split('\t'), logHead = logLines[0].split('\t');
    std::vector<qsizetype> column;
    for (qsizetype f = 0; f + 1 < logHead.size(); ++f) {
        column.push_back(historyHead.indexOf(logHead[f]));
        ASSERT_GE(column.back(), 0) << logHead[f].toStdString();
    }
    for (qsizetype i = 1; i + 1 < logLines.size(); ++i) {
        const QList<QByteArray> h = history[i].split('\t'), l = logLines[i].split('\t');
        ASSERT_EQ(h.size(), historyHead.size());
        for (size_t f = 0; f < column.size(); ++f)
            EXPECT_EQ(h[column[f]].trimmed(), QString(l[static_cast<qsizetype>(f)]).trimmed().replace(',', '.').toUtf8())
                << "line " << i << " field " << f;
    }

    QProcessEnvironment restored = service.environment();
    restored.insert("XDG_DATA_HOME", service.path("restored"));
    const QList<QByteArray> backedUp = service.once({"--export-history", "--format=tsv"}, restored).out.split('\n');
    EXPECT_GT(backedUp.size(), 2) << "the backup holds the passes before it";
    for (const QByteArray& line : backedUp)
        EXPECT_TRUE(history.contains(line)) << line.toStdString();

    // The value log into a history of its own gives the log back; once only.
    QProcessEnvironment other = service.environment();
    other.insert("XDG_DATA_HOME", service.path("imported"));
    const auto imported = service.once({"--import-log=" + service.log()}, other);
    EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_TRUE(imported.err.contains("Read " + QByteArray::number(logLines.size() - 2) + " lines"))
        << imported.err.toStdString();
    EXPECT_TRUE(service.once({"--import-log=" + service.log()}, other).err.contains(" 0 samples added"));
    const QByteArray again = service.once({"--export-history", "--format=tsv"}, other).out;
    const auto body = [](QByteArray text) { return text.mid(text.indexOf('\n') + 1).replace(',', '.').toStdString(); };
    EXPECT_EQ(body(again), body(all)) << "the log's lines, time and value";
}

TEST(HeadlessRun, IdleAndSlowHttpClientsNeverStarveAScrape)
{
    Service service;
    service.start();
    ASSERT_TRUE(waitFor([&] { return !service.scrape().isEmpty(); }));
    const qint64 pid = service.process.processId();
    const long rssBefore = rssKiB(pid);
    const qsizetype linesBefore = service.logLines().size();

    // 200 connections that say nothing, then 200 that send the start of a
    // request head and never its end: more than the endpoint keeps. They
    // come in small groups, each taken by the service (its open files show
    // it) before the next, so the kernel's queue of connections never overflows.
    // The service's sockets (its files come and go: the value log is opened for each line).
    const auto openFiles = [pid] {
        int sockets = 0;
        std::error_code error;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
            sockets += std::filesystem::read_symlink(fd.path(), error).string().rfind("socket:", 0) == 0 ? 1 : 0;
        return sockets;
    };
    const int filesBefore = openFiles();
    struct Client {
        std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
        bool connected = false, closed = false;
    };
    std::vector<int> closedInOrder;
    std::vector<Client> clients(400);
    QObject watching; // goes first: no signal of a closing socket reaches what is gone
    const auto open = [&](int from, int to, const QByteArray& say) {
        for (int i = from; i < to; ++i) {
            QTcpSocket* s = clients[i].socket.get();
            QObject::connect(s, &QTcpSocket::connected, &watching, [&, i, s, say] {
                clients[i].connected = true;
                if (!say.isEmpty())
                    s->write(say);
            });
            QObject::connect(s, &QTcpSocket::stateChanged, &watching, [&, i](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::UnconnectedState && clients[i].connected && !clients[i].closed) {
                    clients[i].closed = true;
                    closedInOrder.push_back(i);
                }
            });
            s->connectToHost("127.0.0.1", static_cast<quint16>(service.metricsPort));
        }
        return waitFor([&] {
            for (int i = from; i < to; ++i)
                if (!clients[i].connected)
                    return false;
            // Taken: kept, or closed to make room.
            const int kept = to - static_cast<int>(closedInOrder.size());
            return openFiles() >= filesBefore + std::min(kept, 256);
        });
    };
    for (int from = 0; from < 400; from += 20)
        ASSERT_TRUE(open(from, from + 20, from < 200 ? QByteArray() : "GET /metrics HTTP/1.1\r\nHost: x\r\n"))
            << "clients " << from << " to " << from + 19 << " connected and taken";

    // At most 256 are kept; the oldest waiting ones made room, in their order.
    const size_t beyondTheCap = clients.size() - 256;
    ASSERT_TRUE(waitFor([&] { return closedInOrder.size() >= beyondTheCap; }));
    EXPECT_LE(openFiles(), filesBefore + 256) << "256 connections at most";
    std::vector<int> first(closedInOrder.begin(), closedInOrder.begin() + static_cast<qsizetype>(beyondTheCap));
    std::sort(first.begin(), first.end());
    for (size_t k = 0; k < beyondTheCap; ++k)
        EXPECT_EQ(first[k], static_cast<int>(k)) << "the oldest idle clients made room first";

    // A request of 1 MB is refused, not read on without bound.
    QTcpSocket huge;
    QByteArray hugeReply;
    QObject::connect(&huge, &QTcpSocket::readyRead, &watching, [&] { hugeReply += huge.readAll(); });
    huge.connectToHost("127.0.0.1", static_cast<quint16>(service.metricsPort));
    ASSERT_TRUE(huge.waitForConnected());
    huge.write("GET /metrics HTTP/1.1\r\nX-Fill: " + QByteArray(1 << 20, 'a') + "\r\n\r\n");

    // A scrape is answered while the slow clients are still waiting for theirs,
    // and sampling goes on meanwhile.
    EXPECT_FALSE(service.scrape().isEmpty());
    EXPECT_TRUE(waitFor([&] { return service.logLines().size() >= linesBefore + 3; }));
    EXPECT_TRUE(waitFor([&] { return hugeReply.startsWith("HTTP/1.1 431") || huge.state() != QAbstractSocket::ConnectedState; }));
    const long rssDuring = rssKiB(pid);
    EXPECT_LT(rssDuring - rssBefore, 32 * 1024) << rssBefore << " KiB before, " << rssDuring << " KiB during";

    // HEAD answers like GET without the body.
    const QByteArray head = vstest::httpGet(service.metricsPort, "/metrics", "HEAD");
    EXPECT_TRUE(head.startsWith("HTTP/1.1 200 OK\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("Content-Length: ") && head.endsWith("\r\n\r\n")) << "no body";
    EXPECT_EQ(service.process.state(), QProcess::Running);
}

TEST(HeadlessRun, MetricsOnIpv6AndAnUnusableListenEndsTheService)
{
    {
        Service service;
        service.listen = "[::1]:" + QString::number(service.metricsPort);
        service.start();
        QByteArray reply;
        ASSERT_TRUE(waitFor([&] {
            reply = vstest::httpRequest(service.metricsPort, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n",
                                        QHostAddress::LocalHostIPv6);
            return reply.startsWith("HTTP/1.1 200");
        })) << reply.toStdString();
    }
    // A listen address that is taken ends the service with the key named.
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    Service service;
    service.listen = "127.0.0.1:" + QString::number(taken.serverPort());
    service.start();
    EXPECT_EQ(service.finish(), 1);
    EXPECT_TRUE(service.out().contains("Metrics/Listen"));
}

// What a daemon meets: a rotation and SIGHUP, a reader of its output that
// goes away, SIGPIPE; it samples on through all of them and never writes
// its settings file.
TEST(HeadlessRun, ReloadRotationAndAClosedOutputLeaveItSampling)
{
    Service service;
    service.start();
    const QByteArray settingsBefore = vstest::readFile(service.settingsFile());
    ASSERT_TRUE(waitFor([&] { return service.logLines().size() >= 3; })) << service.out().toStdString();

    ASSERT_TRUE(QFile::rename(service.log(), service.log() + ".1"));
    ::kill(static_cast<pid_t>(service.process.processId()), SIGHUP);
    ASSERT_TRUE(waitFor([&] { return service.out().contains("Reloaded: the value log " + service.log().toUtf8()); }))
        << service.out().toStdString();
    ASSERT_TRUE(waitFor([&] { return service.logLines().size() >= 2; }));
    EXPECT_TRUE(service.logLines().front().startsWith("\"Date time[")) << "the new file starts with its header";

    service.process.closeReadChannel(QProcess::StandardOutput);
    ::kill(static_cast<pid_t>(service.process.processId()), SIGPIPE);
    const qsizetype before = service.logLines().size();
    ASSERT_TRUE(waitFor([&] { return service.logLines().size() >= before + 3; })) << "sampling goes on";
    EXPECT_EQ(service.process.state(), QProcess::Running);
    service.process.terminate();
    EXPECT_EQ(service.finish(), 0);
    EXPECT_EQ(vstest::readFile(service.settingsFile()), settingsBefore) << "the service never writes its settings";
}

} // namespace
