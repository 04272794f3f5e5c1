// The history's figures over years: a two-year database of 4 sticks x 5
// channels. Two years of every sample would take some 12 GB and hours to
// write, so the generator writes what such a history keeps beyond its raw
// days directly: a minute rollup per stick and minute and an hourly row per
// hour (the same blocks the store writes), and the last two days as raw
// samples through the store. Prints: the "Everything" view (query to drawn
// picture), a year's export by hour, a year's summary, and the write cost per
// pass while summaries run on another connection.
#include "history/history_export.h"
#include "history/history_summary.h"
#include "history/minute_block.h"
#include "window/history_plot.h"

#include "history_views.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

using namespace vs;

namespace {

constexpr int kSticks = 4;
constexpr int64_t kDayMs = 86400000;

SeriesIdentity yearStick(int n)
{
    SeriesIdentity who{QString("YEAR%1").arg(n), "Bench stick", {"CO2eq", "Temp", "Humidity", "Rh", "Rs"},
                       {"ppm", "C", "%RH", "ohm", "ohm"}, {}};
    who.levels = {"1000 1500", "", "", "", ""};
    return who;
}

// A value that swings over the day and the year, per stick.
double valueAt(int64_t ms, int stick, int channel)
{
    const double day = static_cast<double>(ms % kDayMs) / kDayMs * 2 * M_PI;
    const double year = static_cast<double>(ms) / (365.0 * kDayMs) * 2 * M_PI;
    switch (channel) {
    case 0: return std::round(900 + 500 * std::sin(day) + 100 * std::sin(year) + stick * 40);
    case 1: return std::round(2100 + 300 * std::sin(year) + 100 * std::sin(day)) / 100;
    case 2: return std::round(450 + 100 * std::cos(year)) / 10;
    case 3: return 89.5 + stick;
    default: return 48000.0 + static_cast<double>(ms / 1000 % 997);
    }
}

// Minutes and hours of every stick from `fromMs` to `toMs`, straight into the tables.
void writeRollups(SqlDatabase& db, int64_t fromMs, int64_t toMs)
{
    std::vector<int64_t> ids;
    for (int n = 0; n < kSticks; ++n) {
        SqlStatement id(db, "SELECT id FROM series WHERE serial=?1");
        id.bind(1, yearStick(n).serial);
        ids.push_back(id.step() ? id.integer(0) : 0);
    }
    SqlStatement minute(db, "INSERT OR REPLACE INTO rollup(series, minute, n, data) VALUES(?1, ?2, ?3, ?4)");
    SqlStatement hour(db, "INSERT OR REPLACE INTO hourly(series, hour, n, data) VALUES(?1, ?2, ?3, ?4)");
    for (int64_t h = fromMs / 3600000; h < toMs / 3600000; h += 24) {
        SqlTransaction transaction(db);
        for (int n = 0; n < kSticks; ++n) {
            for (int64_t hh = h; hh < h + 24 && hh < toMs / 3600000; ++hh) {
                MinuteRollup total;
                for (int64_t m = hh * 60; m < hh * 60 + 60; ++m) {
                    MinuteRollup r;
                    r.count = 60;
                    for (int c = 0; c < 5; ++c) {
                        const double v = valueAt(m * 60000, n, c);
                        r.min.push_back(v - (c == 0 ? 15 : 0.1));
                        r.mean.push_back(v);
                        r.max.push_back(v + (c == 0 ? 15 : 0.1));
                    }
                    minute.reset();
                    minute.bind(1, ids[n]).bind(2, m).bind(3, int64_t{60}).bind(4, encodeRollup(r)).step();
                    combineInto(total, r);
                }
                hour.reset();
                hour.bind(1, ids[n]).bind(2, hh).bind(3, static_cast<int64_t>(total.count))
                    .bind(4, encodeRollup(total)).step();
            }
        }
        transaction.commit();
    }
}

} // namespace

void benchYears(const QString& dir)
{
    const QString path = dir + "/years.sqlite";
    const int64_t end = QDateTime::currentMSecsSinceEpoch() / 60000 * 60000;
    const int64_t start = end - 730 * kDayMs;
    const int64_t rawFrom = end - 2 * kDayMs;
    QElapsedTimer timer;
    timer.start();
    HistoryStore store;
    store.open(path);
    std::vector<HistorySample> batch;
    for (int64_t t = rawFrom; t < end; t += 1000) {
        for (int n = 0; n < kSticks; ++n) {
            std::vector<double> v;
            for (int c = 0; c < 5; ++c)
                v.push_back(valueAt(t, n, c));
            batch.push_back({yearStick(n), t, v});
        }
        if (batch.size() >= 40000) {
            store.add(batch);
            batch.clear();
        }
    }
    store.add(batch);
    writeRollups(store.db(), start, rawFrom);
    store.db().exec("PRAGMA wal_checkpoint(TRUNCATE)");
    std::printf("\ntwo years x %d sticks x 5 channels (minutes and hours, the last 2 days every second): "
                "generated in %.0f s, %.0f MB\n",
                kSticks, timer.elapsed() / 1000.0, QFileInfo(path).size() / 1e6);

    SqlDatabase db;
    db.open(path, true);
    const std::vector<SeriesInfo> series = listSeries(db);
    HistoryPlot plot;
    plot.resize(1920 + 90, 600);
    std::vector<HistoryCurve> curves;
    for (int n = 0; n < kSticks; ++n)
        for (int c = 0; c < 2; ++c)
            curves.push_back({n, c, series[n].who.serial + ":" + series[n].who.labels[c], QColor::fromHsv(n * 80, 200, 160)});
    QImage picture(plot.size(), QImage::Format_RGB32);
    const TimedView everything = timeView(db, series, curves, plot, picture, start, end, 7);
    const std::vector<double>& t = everything.ms;
    const Level level = everything.coarsest;
    picture.save(qEnvironmentVariable("VS_BENCH_PICTURES", dir) + "/years.png");
    std::printf("\"Everything\" view of two years at 1920 columns (%s), query to drawn picture: median %.1f ms, "
                "worst %.1f ms (goal < 100)\n",
                levelName(level), median(t), *std::max_element(t.begin(), t.end()));

    ExportRequest request;
    request.fromMs = end - 365 * kDayMs;
    request.toMs = end;
    request.level = Level::Hour;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    long rows = 0;
    timer.restart();
    exportHistory(db, request, out, error, &rows);
    std::printf("a year exported by hour (CSV, %d sticks): %ld rows, %.0f kB, %.2f s (goal < 2)\n", kSticks, rows,
                out.size() / 1e3, timer.elapsed() / 1000.0);

    timer.restart();
    const HistorySummary summary = summarize(db, {}, end - 365 * kDayMs, end);
    std::printf("summary of a year (%d sticks, counted by %s): %zu rows, %.2f s (goal < 1)\n", kSticks,
                levelName(summary.counted), summary.rows.size(), timer.elapsed() / 1000.0);

    // The write cost per pass while another connection runs summaries.
    std::atomic<bool> stop{false};
    std::atomic<int> summaries{0};
    std::thread reader([&] {
        SqlDatabase other;
        other.open(path, true);
        while (!stop) {
            summarize(other, {}, end - 365 * kDayMs, end);
            ++summaries;
        }
    });
    std::vector<double> costs;
    for (int i = 0; i < 600; ++i) {
        std::vector<HistorySample> pass;
        for (int n = 0; n < kSticks; ++n) {
            std::vector<double> v;
            for (int c = 0; c < 5; ++c)
                v.push_back(valueAt(end + i * 1000LL, n, c));
            pass.push_back({yearStick(n), end + i * 1000LL, v});
        }
        timer.restart();
        store.add(pass);
        costs.push_back(timer.nsecsElapsed() / 1e6);
        if (i % 100 == 99)
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // let the reader hold its snapshot
    }
    stop = true;
    reader.join();
    std::sort(costs.begin(), costs.end());
    std::printf("write per pass (%d sticks) while %d year summaries ran: median %.3f ms, 99th percentile %.3f ms "
                "(goal: median < 1)\n",
                kSticks, summaries.load(), median(costs), costs[costs.size() * 99 / 100]);
}
