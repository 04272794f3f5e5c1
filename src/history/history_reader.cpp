#include "history/history_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vs {

namespace {

constexpr int64_t kMinuteMs = 60000;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

QStringList fields(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split('\t');
}

} // namespace

std::vector<SeriesInfo> listSeries(SqlDatabase& db)
{
    std::vector<SeriesInfo> out;
    SqlStatement all(db, "SELECT id, serial, name, labels, units,"
                         " (SELECT min(minute) FROM rollup WHERE series=s.id),"
                         " (SELECT max(minute) FROM rollup WHERE series=s.id)"
                         " FROM series s ORDER BY serial, id");
    while (all.step()) {
        SeriesInfo s;
        s.id = static_cast<int>(all.integer(0));
        s.who = {all.text(1), all.text(2), fields(all.text(3)), fields(all.text(4))};
        s.firstMs = all.integer(5) * kMinuteMs;
        s.lastMs = (all.integer(6) + 1) * kMinuteMs;
        out.push_back(std::move(s));
    }
    return out;
}

void forEachSample(SqlDatabase& db, const SeriesInfo& series, int64_t fromMs, int64_t toMs,
                   const std::function<void(int64_t, const std::vector<double>&)>& fn)
{
    SqlStatement rows(db, "SELECT minute, data FROM raw WHERE series=?1 AND minute BETWEEN ?2 AND ?3 ORDER BY minute");
    rows.bind(1, static_cast<int64_t>(series.id)).bind(2, minuteOf(fromMs)).bind(3, minuteOf(toMs - 1));
    while (rows.step()) {
        const int64_t base = rows.integer(0) * kMinuteMs;
        for (const MinuteSample& s : decodeMinute(rows.blob(1), series.who.channels())) {
            const int64_t t = base + s.offsetMs;
            if (t >= fromMs && t < toMs)
                fn(t, s.values);
        }
    }
}

std::optional<std::pair<int64_t, std::vector<double>>> nearestSample(SqlDatabase& db, const SeriesInfo& series,
                                                                      int64_t timeMs, int64_t withinMs)
{
    // Outwards from the time's own minute: where samples are, a few rows
    // answer, however wide `withinMs` is (a pointer over a view of months).
    std::optional<std::pair<int64_t, std::vector<double>>> best;
    for (int64_t radius = kMinuteMs;; radius *= 4) {
        const int64_t reach = std::min(radius, withinMs);
        forEachSample(db, series, timeMs - reach, timeMs + reach + 1, [&](int64_t t, const std::vector<double>& v) {
            if (!best || std::llabs(t - timeMs) < std::llabs(best->first - timeMs))
                best = std::pair{t, v};
        });
        // Every sample within `reach` was seen: one found there is the nearest.
        if (best || reach >= withinMs)
            return best;
    }
}

HistoryColumns readColumns(SqlDatabase& db, const std::vector<SeriesInfo>& series, int64_t fromMs, int64_t toMs,
                           int columns)
{
    HistoryColumns out;
    out.fromMs = fromMs;
    out.toMs = std::max(toMs, fromMs + 1);
    out.columns = std::max(columns, 1);
    const double span = static_cast<double>(out.toMs - out.fromMs);
    out.fromRollups = span / out.columns >= kMinuteMs;
    for (const SeriesInfo& s : series) {
        const int channels = s.who.channels();
        std::vector<ChannelColumns> cols(static_cast<size_t>(channels));
        std::vector<std::vector<int>> counts(static_cast<size_t>(channels), std::vector<int>(out.columns, 0));
        for (ChannelColumns& c : cols) {
            c.min.assign(static_cast<size_t>(out.columns), kNone);
            c.mean.assign(static_cast<size_t>(out.columns), 0.0);
            c.max.assign(static_cast<size_t>(out.columns), kNone);
        }
        const auto take = [&](int64_t t, size_t ch, double lo, double mean, double hi, int weight) {
            if (std::isnan(mean) || t < out.fromMs || t >= out.toMs)
                return;
            const size_t col = static_cast<size_t>(std::min<int64_t>(
                out.columns - 1, static_cast<int64_t>((t - out.fromMs) / span * out.columns)));
            ChannelColumns& c = cols[ch];
            int& n = counts[ch][col];
            c.min[col] = n == 0 ? lo : std::min(c.min[col], lo);
            c.max[col] = n == 0 ? hi : std::max(c.max[col], hi);
            c.mean[col] += mean * weight;
            n += weight;
        };
        if (out.fromRollups) {
            SqlStatement rows(db, "SELECT minute, n, data FROM rollup WHERE series=?1 AND minute BETWEEN ?2 AND ?3");
            rows.bind(1, static_cast<int64_t>(s.id)).bind(2, minuteOf(out.fromMs)).bind(3, minuteOf(out.toMs - 1));
            while (rows.step()) {
                const int64_t t = rows.integer(0) * kMinuteMs;
                const MinuteRollup r = decodeRollup(rows.blob(2), channels, static_cast<int>(rows.integer(1)));
                for (size_t ch = 0; ch < static_cast<size_t>(channels); ++ch)
                    take(t, ch, r.min[ch], r.mean[ch], r.max[ch], std::max(r.count, 1));
            }
        } else {
            forEachSample(db, s, out.fromMs, out.toMs, [&](int64_t t, const std::vector<double>& v) {
                for (size_t ch = 0; ch < v.size() && ch < cols.size(); ++ch)
                    take(t, ch, v[ch], v[ch], v[ch], 1);
            });
        }
        for (size_t ch = 0; ch < cols.size(); ++ch)
            for (int col = 0; col < out.columns; ++col) {
                const int n = counts[ch][static_cast<size_t>(col)];
                double& mean = cols[ch].mean[static_cast<size_t>(col)];
                mean = n > 0 ? mean / n : kNone;
            }
        out.series.push_back(std::move(cols));
    }
    return out;
}

} // namespace vs
