// The shipped alerting rules and dashboard against a real Prometheus that
// scrapes a running copy: every series they name exists, every dashboard
// query returns series.
#include "files.h"
#include "program_run.h"
#include "sockets.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using vstest::waitFor;

struct Prometheus {
    QTemporaryDir dir;
    int port = vstest::freePort();
    QProcess process;
    QNetworkAccessManager net;

    explicit Prometheus(int target)
    {
        const QString conf = dir.path() + "/prometheus.yml";
        vstest::writeFile(conf, QString("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\nscrape_configs:\n"
                                        "  - job_name: ventiscope\n    static_configs:\n      - targets: ['127.0.0.1:%1']\n")
                                    .arg(target)
                                    .toUtf8());
        process.start("prometheus", {"--config.file=" + conf, "--storage.tsdb.path=" + dir.path() + "/data",
                                     "--web.listen-address=127.0.0.1:" + QString::number(port)});
    }
    ~Prometheus()
    {
        process.terminate();
        process.waitForFinished(10000);
    }
    // The result of an instant query ("" and the error when it failed).
    QJsonArray query(const QString& expr, QString& error)
    {
        const QUrl url = QUrl::fromEncoded("http://127.0.0.1:" + QByteArray::number(port) +
                                           "/api/v1/query?query=" + QUrl::toPercentEncoding(expr));
        std::unique_ptr<QNetworkReply> reply(net.get(QNetworkRequest(url)));
        waitFor([&] { return reply->isFinished(); });
        const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
        error = answer["status"] == "success" ? QString() : answer["error"].toString() + reply->errorString();
        return answer["data"].toObject()["result"].toArray();
    }
};

QString fileText(const char* name)
{
    return QString::fromUtf8(vstest::readFile(QString(VENTISCOPE_SOURCE_DIR) + name));
}

TEST(PrometheusRun, EveryRuleAndDashboardQueryFindsTheCopysSeries)
{
    vstest::ProgramRun service;
    const int metrics = vstest::freePort();
    service.writeSettings(QString("[Metrics]\nEnabled=1\nListen=127.0.0.1:%1\n[MQTT]\nNodeId=lab\n").arg(metrics));
    service.start({"--headless"}, "5,1/33", false);
    Prometheus prometheus(metrics);
    ASSERT_TRUE(prometheus.process.waitForStarted()) << "prometheus (Debian package prometheus) is needed";
    // Two scrapes of a copy that has sampled, and the rules of a rate have their samples.
    QString error;
    ASSERT_TRUE(waitFor([&] {
        return !prometheus.query("count_over_time(ventiscope_reads_total[1m]) >= 3", error).isEmpty();
    })) << error.toStdString();

    // The rules: every series an alert's expression selects exists.
    const QString rules = fileText("/data/prometheus/ventiscope-rules.yml");
    const QRegularExpression selector(R"(\b((?:ventiscope_[a-z0-9_]+|up)(?:\{[^}]*\})?))");
    int selectors = 0;
    bool inExpression = false;
    for (const QString& line : rules.split('\n')) {
        const QString t = line.trimmed();
        if (QRegularExpression("^-? *[a-z_]+:").match(t).hasMatch())
            inExpression = t.startsWith("expr:");
        if (!inExpression)
            continue;
        auto found = selector.globalMatch(line);
        while (found.hasNext()) {
            const QString s = found.next().captured(1);
            ++selectors;
            EXPECT_FALSE(prometheus.query(s, error).isEmpty()) << s.toStdString() << " " << error.toStdString();
        }
    }
    EXPECT_GE(selectors, 9);

    // The dashboard: every panel's query, its variables at "all", returns series.
    const QJsonObject dashboard = QJsonDocument::fromJson(fileText("/data/grafana/ventiscope-dashboard.json").toUtf8()).object();
    int queries = 0;
    for (const QJsonValue& panel : dashboard["panels"].toArray())
        for (const QJsonValue& target : panel.toObject()["targets"].toArray()) {
            QString expr = target.toObject()["expr"].toString();
            expr.replace("$__rate_interval", "1m").replace("$job", "ventiscope");
            for (const char* all : {"$instance", "$node", "$serial"})
                expr.replace(all, ".*");
            ++queries;
            const QJsonArray result = prometheus.query(expr, error);
            EXPECT_FALSE(result.isEmpty()) << panel.toObject()["title"].toString().toStdString() << ": "
                                           << expr.toStdString() << " " << error.toStdString();
            // Legends name the node and the stick.
            const QString legend = target.toObject()["legendFormat"].toString();
            if (legend.contains("{{name}}") && !result.isEmpty()) {
                const QJsonObject labels = result[0].toObject()["metric"].toObject();
                EXPECT_EQ(labels["node"].toString(), "lab") << expr.toStdString();
                EXPECT_FALSE(labels["name"].toString().isEmpty()) << expr.toStdString();
            }
        }
    EXPECT_GE(queries, 15);
    for (const QJsonValue& variable : dashboard["templating"].toObject()["list"].toArray()) {
        QString query = variable.toObject()["definition"].toString();
        if (query.isEmpty())
            continue;
        query = query.mid(query.indexOf('(') + 1);
        query = query.left(query.lastIndexOf(','));
        query.replace("$job", "ventiscope").replace("$instance", ".*");
        EXPECT_FALSE(prometheus.query(query, error).isEmpty()) << query.toStdString();
    }
}

} // namespace
