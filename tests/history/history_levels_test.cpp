// The history's levels out again: exports per minute, hour and day against
// buckets worked out by hand, the daily summary against a day whose hours
// above each level are known, and both nights the clocks change.
#include "common/clock.h"
#include "files.h"
#include "history/history_export.h"
#include "history/history_summary.h"
#include "history/log_import.h"

#include <QBuffer>
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vs;

namespace {

struct Levels : ::testing::Test {
    QTemporaryDir dir;
    HistoryStore store;
    const SeriesIdentity office{"A1", "Office", {"CO2eq"}, {"ppm"}, {"1000 1500"}};

    void SetUp() override { store.open(dir.path() + "/history.sqlite"); }
    void TearDown() override { setZone(nullptr); }
    static void setZone(const char* zone)
    {
        if (zone)
            qputenv("TZ", zone);
        else
            qunsetenv("TZ");
        tzset();
    }
    QStringList exported(ExportRequest request)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        EXPECT_TRUE(exportHistory(store.db(), request, out, error)) << error.toStdString();
        return QString::fromUtf8(out.data()).split("\r\n", Qt::SkipEmptyParts);
    }
};

TEST_F(Levels, EachLevelExportsTheMeanLeastAndGreatestOfItsBuckets)
{
    setZone("UTC");
    // Two hours at 10 s: minute m holds 800 + m and 800 + m + 5 alternately.
    const int64_t t0 = QDateTime::fromString("2026-12-07T10:00:00Z", Qt::ISODate).toMSecsSinceEpoch();
    std::vector<HistorySample> samples;
    for (int i = 0; i < 720; ++i)
        samples.push_back({office, t0 + i * 10000LL, {800.0 + i / 6 + (i % 2) * 5}});
    ASSERT_EQ(store.add(samples), 720);
    ExportRequest request;
    request.utc = true;
    const struct {
        Level level;
        size_t rows;
        QString first;
    } cases[] = {
        {Level::Raw, 720, "2026-12-07T10:00:00Z,800"},
        {Level::Minute, 120, "2026-12-07T10:00:00Z,802.5,800,805"},
        {Level::Hour, 2, "2026-12-07T10:00:00Z,832,800,864"},
        {Level::Day, 1, "2026-12-07T00:00:00Z,862,800,924"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(levelName(c.level));
        request.level = c.level;
        const QStringList lines = exported(request);
        ASSERT_EQ(static_cast<size_t>(lines.size()), c.rows + 1);
        EXPECT_EQ(lines[1], c.first);
    }
    EXPECT_EQ(exported(request).value(0), "time,A1:CO2eq[ppm]:mean,A1:CO2eq[ppm]:min,A1:CO2eq[ppm]:max");
    // The value log's format takes its decimal separator.
    request = {};
    request.csv = false;
    request.decimal = ',';
    request.level = Level::Minute;
    EXPECT_TRUE(exported(request).value(1).startsWith("2026-12-07 10:00:00\t 802,5\t 800\t 805")) << exported(request).value(1).toStdString();
}

TEST_F(Levels, TheSummaryCountsTheHoursAtOrAboveEachWarningLevel)
{
    setZone("Europe/Berlin");
    // A day at one sample a minute: 800 ppm, from 09:00 two hours of 1200,
    // then one of 1600, and a meeting of 20 minutes at 1100 from 14:10
    // (the hour's mean stays below 1000: only minutes see it).
    const int64_t day = QDateTime(QDate(2026, 12, 7), QTime(0, 0)).toMSecsSinceEpoch();
    std::vector<HistorySample> samples;
    double sum = 0;
    for (int m = 0; m < 24 * 60; ++m) {
        const double v = m >= 9 * 60 && m < 11 * 60   ? 1200
                         : m >= 11 * 60 && m < 12 * 60 ? 1600
                         : m >= 850 && m < 870         ? 1100
                                                       : 800;
        sum += v;
        samples.push_back({office, day + m * 60000LL, {v}});
    }
    store.add(samples);
    // The day itself, and everything (a range far longer than the data).
    for (const auto& [from, to] : {std::pair{day, day + 86400000}, std::pair{INT64_MIN / 2, INT64_MAX / 2}}) {
        const HistorySummary s = summarize(store.db(), {}, from, to);
        ASSERT_EQ(s.rows.size(), 3u) << "the day, its week, the whole range";
        EXPECT_EQ(s.counted, Level::Minute);
        for (const SummaryRow& r : s.rows) {
            SCOPED_TRACE(r.period.toStdString());
            EXPECT_EQ(r.min, 800);
            EXPECT_EQ(r.max, 1600);
            EXPECT_NEAR(r.mean, sum / 1440, 1e-9);
            ASSERT_EQ(r.above.size(), 2u);
            EXPECT_EQ(r.above[0].first, 1000);
            EXPECT_NEAR(r.above[0].second, 3 + 1 / 3.0, 1e-9) << "hours at or above 1000 ppm";
            EXPECT_EQ(r.above[1].first, 1500);
            EXPECT_NEAR(r.above[1].second, 1, 1e-9);
        }
        EXPECT_EQ(s.rows[0].period, "2026-12-07");
        EXPECT_EQ(s.rows[1].period, "2026-W50");
    }
    const HistorySummary s = summarize(store.db(), {}, day, day + 86400000);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    ASSERT_TRUE(writeSummary(s, out, error));
    EXPECT_TRUE(out.data().contains("\r\n2026-12-07,A1,Office,CO2eq,ppm,870.83")) << out.data().toStdString();
    EXPECT_TRUE(out.data().contains(",800,1600,1000,3.333,1500,1\r\n")) << out.data().toStdString();
}

// Both nights of 2026, lived through by a clock and read back from a value log.
TEST_F(Levels, EverySampleOfTheNightsTheClocksChangeIsAtItsInstant)
{
    setZone("Europe/Berlin");
    for (const auto& [start, name] : {std::pair{LocalDateTime{2026, 3, 29, 1, 30, 0, 0}, "spring"},
                                      std::pair{LocalDateTime{2026, 10, 25, 1, 30, 0, 0}, "autumn"}}) {
        SCOPED_TRACE(name);
        HistoryStore live, imported;
        live.open(dir.path() + "/live-" + name + ".sqlite");
        imported.open(dir.path() + "/imported-" + name + ".sqlite");
        // Three hours at one pass a second: stamped with the clock's instant,
        // logged with its local time as the value log writes it.
        ManualClock clock(start);
        const int64_t first = clock.utcMs();
        QByteArray log = "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t \r\n";
        std::vector<HistorySample> samples;
        for (int i = 0; i < 3 * 3600; ++i) {
            samples.push_back({office, clock.utcMs(), {double(i)}});
            const LocalDateTime t = clock.now();
            log += QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d\t %d\t \r\n", t.year, t.month, t.day, t.hour,
                                     t.minute, t.second, i)
                       .toUtf8();
            clock.advanceMs(1000);
        }
        ASSERT_EQ(live.add(samples), 3 * 3600);
        const QString file = dir.path() + "/" + name + ".txt";
        ASSERT_TRUE(vstest::writeFile(file, log));
        ImportCounts counts;
        QString error;
        ASSERT_TRUE(importLog(imported, file, "A1", counts, error)) << error.toStdString();
        EXPECT_EQ(counts.added, 3 * 3600) << "every line, the repeated hour too";
        for (HistoryStore* h : {&live, &imported}) {
            long n = 0;
            forEachSample(h->db(), listSeries(h->db()).at(0), 0, first * 2, [&](int64_t t, const std::vector<double>& v) {
                EXPECT_EQ(t, first + static_cast<int64_t>(v[0]) * 1000) << v[0];
                ++n;
            });
            EXPECT_EQ(n, 3 * 3600);
        }
    }
    // The export says which of the two 02:30 it is.
    HistoryStore night;
    night.open(dir.path() + "/live-autumn.sqlite");
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    ExportRequest request;
    ASSERT_TRUE(exportHistory(night.db(), request, out, error));
    EXPECT_TRUE(out.data().contains("2026-10-25T02:30:00+02:00,")) << "the first pass of the hour";
    EXPECT_TRUE(out.data().contains("2026-10-25T02:30:00+01:00,")) << "the second";
}

} // namespace
