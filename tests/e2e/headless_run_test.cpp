// The headless service as a real process without a display: it samples two
// simulated sticks, logs, serves the network link and the metrics over real
// loopback sockets, stands up to hostile HTTP clients and ends on SIGTERM.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool eventually(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QThread::msleep(50);
    return done();
}

// One HTTP GET over a real socket; the body, or empty on failure.
QByteArray httpGet(int port, const QByteArray& path, int timeoutMs = 3000)
{
    QTcpSocket s;
    s.connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!s.waitForConnected(timeoutMs))
        return {};
    s.write("GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs && s.state() == QAbstractSocket::ConnectedState) {
        s.waitForReadyRead(100);
        reply += s.readAll();
    }
    reply += s.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    if (!reply.startsWith("HTTP/1.1 200") || body < 0)
        return {};
    return reply.mid(body + 4);
}

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

struct Service {
    QTemporaryDir home;
    QProcess process;
    int netPort = freePort();
    int metricsPort = freePort();
    QString listen = "127.0.0.1:" + QString::number(metricsPort);

    QString log() const { return home.path() + "/values.log"; }
    void start()
    {
        QDir().mkpath(home.path() + "/config/Ventiscope");
        QFile f(home.path() + "/config/Ventiscope/Ventiscope.ini");
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QString("[HIDsettings]\nLog2file=1\nLogFile=%1\n"
                        "[NetworkSettings]\nNetworkOption=2\nLocalPort=%2\n"
                        "[Metrics]\nEnabled=1\nListen=%3\n")
                    .arg(log())
                    .arg(netPort)
                    .arg(listen)
                    .toUtf8());
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        env.insert("HOME", home.path());
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("VENTISCOPE_SIMULATE", "5,5");
        process.setProcessEnvironment(env);
        process.start(VENTISCOPE_EXE, {"--headless"});
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    // Runs the program once more on the same folders ("--export-history", "--import-log=..."); its output.
    QByteArray run(const QStringList& arguments, const QString& dataHome = QString(), int* exitCode = nullptr) const
    {
        QProcess once;
        QProcessEnvironment env = process.processEnvironment();
        if (!dataHome.isEmpty())
            env.insert("XDG_DATA_HOME", dataHome);
        once.setProcessEnvironment(env);
        once.start(VENTISCOPE_EXE, arguments);
        EXPECT_TRUE(once.waitForFinished(20000));
        if (exitCode)
            *exitCode = once.exitCode();
        return once.readAllStandardOutput() + once.readAllStandardError();
    }
    QList<QByteArray> logLines() const
    {
        QFile f(log());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = f.readAll().split('\n');
        lines.removeLast(); // after the last line end
        return lines;
    }
    ~Service()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

TEST(HeadlessRun, SamplesLogsServesNetworkAndMetricsAndEndsOnSigterm)
{
    Service service;
    service.start();
    ASSERT_TRUE(eventually([&] { return service.logLines().size() >= 3; }, 15000))
        << service.process.readAllStandardOutput().toStdString();

    // The network protocol, with the same loopback client as the window's.
    QTcpSocket peer;
    peer.connectToHost("127.0.0.1", static_cast<quint16>(service.netPort));
    ASSERT_TRUE(peer.waitForConnected(3000));
    QByteArray got;
    ASSERT_TRUE(eventually([&] { peer.waitForReadyRead(50); got += peer.readAll(); return got.contains("Nym>"); }, 5000));
    peer.write("ver\n");
    ASSERT_TRUE(eventually([&] { peer.waitForReadyRead(50); got += peer.readAll(); return got.count("Version") == 2; }, 5000));
    EXPECT_TRUE(got.contains("2.41.0"));
    peer.write("bye\n");
    peer.waitForDisconnected(2000);

    // The metrics: one pass's figures; the logged value is the pass's line.
    const QByteArray exposition = httpGet(service.metricsPort, "/metrics");
    ASSERT_FALSE(exposition.isEmpty());
    const QList<QByteArray> lines = service.logLines();
    const auto m = series(exposition);
    const long passes = std::lround(m.at("ventiscope_sampling_passes_total"));
    ASSERT_GE(passes, 1);
    ASSERT_GT(lines.size(), passes) << "a header line and one line per pass";
    const QList<QByteArray> fields = lines[passes].split('\t');
    ASSERT_GE(fields.size(), 2);
    double logged = QString::fromUtf8(fields[1]).trimmed().replace(',', '.').toDouble();
    const QString key = "ventiscope_co2_ppm{serial=\"SIM00000000000000001000\",channel=\"0\",label=\"CO2eq\"}";
    ASSERT_TRUE(m.count(key)) << exposition.toStdString();
    EXPECT_NEAR(m.at(key), logged, 1e-9 * std::max(1.0, std::abs(logged))) << key.toStdString();
    EXPECT_EQ(m.at("ventiscope_stick_open{serial=\"SIM00000000000000001001\",interface=\"USB\"}"), 1);
    EXPECT_EQ(m.at("ventiscope_failed_reads_total"), 0);

    // Every series the shipped dashboard and alerting rules use is exported.
    for (const char* file : {"/data/grafana/ventiscope-dashboard.json", "/data/prometheus/ventiscope-rules.yml"}) {
        QFile f(QString(VENTISCOPE_SOURCE_DIR) + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file;
        const QString text = QString::fromUtf8(f.readAll());
        auto names = QRegularExpression("ventiscope_[a-z0-9_]+").globalMatch(text);
        while (names.hasNext()) {
            const QString name = names.next().captured();
            if (name.startsWith("ventiscope_air") || name.endsWith("_rules") || name == "ventiscope_")
                continue;
            EXPECT_TRUE(exposition.contains("# TYPE " + name.toUtf8() + " ")) << name.toStdString() << " in " << file;
        }
    }

    // Prometheus' own checker accepts the exposition.
    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    ASSERT_TRUE(promtool.waitForStarted(5000)) << "promtool (Debian package prometheus) is needed";
    promtool.write(exposition);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(10000));
    EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAllStandardOutput().toStdString()
                                      << promtool.readAllStandardError().toStdString();

    // The history is this copy's own while it runs: an import is refused.
    int code = 0;
    const QByteArray refused = service.run({"--import-log=" + service.log()}, QString(), &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(refused.contains("running copy")) << refused.toStdString();

    // SIGTERM: the normal shut-down, within a second, every line whole.
    QElapsedTimer t;
    t.start();
    ::kill(static_cast<pid_t>(service.process.processId()), SIGTERM);
    ASSERT_TRUE(service.process.waitForFinished(5000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(service.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.process.exitCode(), 0);
    QFile raw(service.log());
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray all = raw.readAll();
    EXPECT_TRUE(all.endsWith("\r\n"));
    EXPECT_EQ(all.count("\r\n"), all.count('\n'));
    const QString out = QString::fromUtf8(service.process.readAllStandardOutput());
    const QRegularExpression stamped("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S");
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(out.contains("2 sensors found:"));
    EXPECT_TRUE(out.contains("Ventiscope service ended"));

    // The history holds what the value log holds, pass for pass, value for value.
    int exportCode = 1;
    QProcess exporter;
    exporter.setProcessEnvironment(service.process.processEnvironment());
    exporter.start(VENTISCOPE_EXE, {"--export-history", "--format=tsv"});
    ASSERT_TRUE(exporter.waitForFinished(20000));
    exportCode = exporter.exitCode();
    const QByteArray exported = exporter.readAllStandardOutput();
    EXPECT_EQ(exportCode, 0) << exporter.readAllStandardError().toStdString();
    const QList<QByteArray> history = exported.split('\n');
    const QList<QByteArray> logLines = all.split('\n');
    ASSERT_EQ(history.size(), logLines.size()) << exported.toStdString() << "\n---\n" << all.toStdString();
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

    // The value log into a history of its own gives the log back; once only.
    const QString other = service.home.path() + "/imported";
    const QByteArray imported = service.run({"--import-log=" + service.log()}, other, &code);
    EXPECT_EQ(code, 0) << imported.toStdString();
    EXPECT_TRUE(imported.contains("Read " + QByteArray::number(logLines.size() - 2) + " lines")) << imported.toStdString();
    EXPECT_TRUE(service.run({"--import-log=" + service.log()}, other).contains(" 0 samples added"));
    QByteArray again = service.run({"--export-history", "--format=tsv"}, other);
    again.truncate(again.indexOf("Exported"));
    const auto body = [](QByteArray text) { return text.mid(text.indexOf('\n') + 1).replace(',', '.').toStdString(); };
    EXPECT_EQ(body(again), body(all)) << "the log's lines, time and value";
}

TEST(HeadlessRun, IdleAndSlowHttpClientsNeverStarveAScrape)
{
    Service service;
    service.start();
    ASSERT_TRUE(eventually([&] { return !httpGet(service.metricsPort, "/metrics").isEmpty(); }, 15000));
    const qint64 pid = service.process.processId();
    const long rssBefore = rssKiB(pid);
    const qsizetype linesBefore = service.logLines().size();

    // 200 connections that say nothing, 200 that send a header byte a second,
    // and a request of 1 MB.
    std::vector<std::unique_ptr<QTcpSocket>> idle, slow;
    for (int i = 0; i < 200; ++i)
        for (auto* group : {&idle, &slow}) {
            auto c = std::make_unique<QTcpSocket>();
            c->connectToHost("127.0.0.1", static_cast<quint16>(service.metricsPort));
            group->push_back(std::move(c));
        }
    auto huge = std::make_unique<QTcpSocket>();
    huge->connectToHost("127.0.0.1", static_cast<quint16>(service.metricsPort));
    ASSERT_TRUE(huge->waitForConnected(3000));
    huge->write("GET /metrics HTTP/1.1\r\nX-Fill: " + QByteArray(1 << 20, 'a') + "\r\n\r\n");
    long slowest = 0;
    for (int second = 0; second < 4; ++second) {
        for (auto& c : slow) {
            c->write("G");
            c->flush();
        }
        huge->flush();
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(httpGet(service.metricsPort, "/metrics", 2000).isEmpty()) << "second " << second;
        slowest = std::max<long>(slowest, t.elapsed());
        QThread::msleep(1000);
    }
    EXPECT_LT(slowest, 1000) << "a scrape is answered within a second";
    // Sampling went on at its pace (one pass a second) all the while.
    EXPECT_GE(service.logLines().size() - linesBefore, 3);
    const long rssDuring = rssKiB(pid);
    EXPECT_LT(rssDuring - rssBefore, 32 * 1024) << rssBefore << " KiB before, " << rssDuring << " KiB during";

    // HEAD answers like GET without the body.
    QTcpSocket head;
    head.connectToHost("127.0.0.1", static_cast<quint16>(service.metricsPort));
    ASSERT_TRUE(head.waitForConnected(3000));
    head.write("HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    QByteArray reply;
    while (head.waitForReadyRead(1000))
        reply += head.readAll();
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 200 OK\r\n")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("Content-Length: ") && reply.endsWith("\r\n\r\n")) << "no body";
    EXPECT_EQ(service.process.state(), QProcess::Running);
}

TEST(HeadlessRun, MetricsOnIpv6AndAnUnusableListenEndsTheService)
{
    {
        Service service;
        service.listen = "[::1]:" + QString::number(service.metricsPort);
        service.start();
        QByteArray reply;
        ASSERT_TRUE(eventually([&] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHostIPv6, static_cast<quint16>(service.metricsPort));
            if (!s.waitForConnected(1000))
                return false;
            s.write("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
            while (s.waitForReadyRead(1000))
                reply += s.readAll();
            return reply.startsWith("HTTP/1.1 200");
        }, 15000)) << reply.toStdString();
    }
    // A listen address that is taken ends the service with the key named.
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    Service service;
    service.listen = "127.0.0.1:" + QString::number(taken.serverPort());
    service.start();
    ASSERT_TRUE(service.process.waitForFinished(15000));
    EXPECT_NE(service.process.exitCode(), 0);
    EXPECT_TRUE(service.process.readAllStandardOutput().contains("Metrics/Listen"));
}

TEST(HeadlessRun, SwitchesAreWholeArguments)
{
    QProcess p;
    p.start(VENTISCOPE_EXE, {"--version"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.readAllStandardOutput(), "2.41.0\n");
    p.start(VENTISCOPE_EXE, {"--help"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_TRUE(p.readAllStandardOutput().contains("--headless"));
    // Inside another argument it is a file name, not a switch.
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("XDG_DATA_HOME", dir.path() + "/data");
    env.insert("VENTISCOPE_SIMULATE", "5");
    p.setProcessEnvironment(env);
    p.start(VENTISCOPE_EXE, {"/dump=" + dir.path() + "/--version.txt"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(QFile::exists(dir.path() + "/--version.txt"));
    EXPECT_FALSE(p.readAllStandardOutput().contains("2.41.0"));
    p.start(VENTISCOPE_EXE, {"--headless", "/rst"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 2) << "the service takes no further arguments";
}

} // namespace
