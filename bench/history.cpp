// The history's figures on a generated database: 30 days at 1 s for 2 sticks
// x 5 channels (26 million values). Prints: write cost per pass, a 30-day view
// at 1920 columns (query to drawn picture), a 1-hour raw view, a day's CSV
// export, the database size per month, and the import of a 1-million-line
// value log. Then the figures over two years (history_years.cpp).
#include "history/history_export.h"
#include "history/history_reader.h"
#include "history/history_store.h"
#include "history/log_import.h"
#include "window/history_plot.h"

#include "history_views.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace vs;

void benchYears(const QString& dir);

namespace {

SeriesIdentity stick(int n)
{
    return {QString("BENCH%1").arg(n), "Bench stick", {"CO2eq", "Temp", "Humidity", "Rh", "Rs"},
            {"ppm", "C", "%RH", "ohm", "ohm"}, {}};
}

std::vector<double> values(int64_t second, int n)
{
    const double d = second / 86400.0 * 2 * M_PI;
    return {std::round(800 + 400 * std::sin(d) + n * 50), std::round(2100 + 150 * std::sin(d / 3)) / 100,
            std::round(450 + 50 * std::cos(d)) / 10, 89.5 + (second % 50) / 100.0, 48000.0 + second % 997};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/history.sqlite";
    const int days = argc > 1 ? std::atoi(argv[1]) : 30;
    const int64_t seconds = days * 86400LL;
    const int64_t end = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000;
    const int64_t start = end - seconds * 1000;

    QElapsedTimer timer;
    timer.start();
    HistoryStore store;
    store.open(path);
    const SeriesIdentity a = stick(0), b = stick(1);
    std::vector<HistorySample> batch;
    for (int64_t s = 0; s < seconds; ++s) {
        batch.push_back({a, start + s * 1000, values(s, 0)});
        batch.push_back({b, start + s * 1000, values(s, 1)});
        if (batch.size() >= 40000) {
            store.add(batch);
            batch.clear();
        }
    }
    store.add(batch);
    std::printf("generated %d days x 2 sticks x 5 channels (%.1f million values) in %.1f s\n", days,
                seconds * 10 / 1e6, timer.elapsed() / 1000.0);
    store.db().exec("PRAGMA wal_checkpoint(TRUNCATE)");
    const double mb = QFileInfo(path).size() / 1e6;
    std::printf("database size: %.0f MB, %.0f MB per month (goal < 250)\n", mb, mb * 30 / days);

    // Write cost per pass: two sticks, one transaction.
    std::vector<double> costs;
    for (int i = 0; i < 600; ++i) {
        timer.restart();
        store.add({{a, end + i * 1000LL, values(i, 0)}, {b, end + i * 1000LL, values(i, 1)}});
        costs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("write per pass: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms (goal: median < 1)\n",
                median(costs), [&] { auto v = costs; std::sort(v.begin(), v.end()); return v[v.size() * 99 / 100]; }(),
                *std::max_element(costs.begin(), costs.end()));
    store.close();

    SqlDatabase db;
    db.open(path, true);
    const std::vector<SeriesInfo> series = listSeries(db);
    HistoryPlot plot;
    plot.resize(1920 + 90, 600);
    std::vector<HistoryCurve> curves{{0, 0, "BENCH0:CO2eq", Qt::darkBlue}, {1, 0, "BENCH1:CO2eq", Qt::darkRed}};
    QImage picture(plot.size(), QImage::Format_RGB32);
    const auto view = [&](int64_t from, int64_t to, const char* what, int goal) {
        const TimedView v = timeView(db, series, curves, plot, picture, from, to, 5);
        std::printf("%s at 1920 columns (%s), query to drawn picture: median %.1f ms (goal < %d)\n", what,
                    v.fromRollups ? "rollups" : "raw samples", median(v.ms), goal);
    };
    view(start, end, "30-day view", 100);
    view(end - 3600 * 1000, end, "1-hour view", 30);
    picture.save(dir.path() + "/view.png");

    // A day's export as CSV.
    QFile out(dir.path() + "/day.csv");
    out.open(QIODevice::WriteOnly);
    ExportRequest request;
    request.fromMs = end - 86400 * 1000LL;
    request.toMs = end;
    QString error;
    long rows = 0;
    timer.restart();
    exportHistory(db, request, out, error, &rows);
    out.close();
    std::printf("one day exported to CSV: %ld rows, %.2f s (goal < 1)\n", rows, timer.elapsed() / 1000.0);
    db.close();

    // Import of a 1-million-line value log into a new history.
    const QString log = dir.path() + "/log.txt";
    {
        QFile f(log);
        f.open(QIODevice::WriteOnly);
        QTextStream s(&f);
        s << "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t \"Temp[C]\"\t \"Humidity[%RH]\"\t \"Rh[ohm]\"\t "
             "\"Rs[ohm]\"\t \r\n";
        for (int64_t i = 0; i < 1000000; ++i) {
            const std::vector<double> v = values(i, 0);
            s << QDateTime::fromMSecsSinceEpoch(start + i * 1000).toString("yyyy-MM-dd HH:mm:ss");
            for (double x : v)
                s << "\t " << QString::number(x, 'g', 15).replace('.', ',');
            s << "\t \r\n";
        }
    }
    HistoryStore fresh;
    fresh.open(dir.path() + "/imported.sqlite");
    ImportCounts counts;
    timer.restart();
    importLog(fresh, log, "", counts, error);
    std::printf("import of a %ld-line value log: %.1f s, %ld samples added (goal < 20 s)\n", counts.lines,
                timer.elapsed() / 1000.0, counts.added);
    benchYears(dir.path());
    return 0;
}
