#include "history/history_reader.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vs {

namespace {

constexpr int64_t kMinuteMs = 60000;
constexpr int64_t kHourMs = 3600000;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

QStringList fields(const QString& text)
{
    return text.isEmpty() ? QStringList() : text.split('\t');
}

Bucket fromRollup(int64_t startMs, int64_t lengthMs, const MinuteRollup& r)
{
    return Bucket{startMs, startMs + lengthMs, r.count, r.min, r.mean, r.max};
}

// The rows of one rollup table (minutes or hours) beginning in the range.
void forEachRollup(SqlDatabase& db, const SeriesInfo& s, int64_t fromMs, int64_t toMs, bool hours,
                   const std::function<void(const Bucket&)>& fn)
{
    const int64_t unit = hours ? kHourMs : kMinuteMs;
    SqlStatement rows(db, hours ? "SELECT hour, n, data FROM hourly WHERE series=?1 AND hour BETWEEN ?2 AND ?3 ORDER BY hour"
                                : "SELECT minute, n, data FROM rollup WHERE series=?1 AND minute BETWEEN ?2 AND ?3 ORDER BY minute");
    const int64_t first = hours ? hourOf(fromMs + unit - 1) : minuteOf(fromMs + unit - 1);
    const int64_t last = hours ? hourOf(toMs - 1) : minuteOf(toMs - 1);
    rows.bind(1, static_cast<int64_t>(s.id)).bind(2, first).bind(3, last);
    while (rows.step())
        fn(fromRollup(rows.integer(0) * unit, unit,
                      decodeRollup(rows.blob(2), s.who.channels(), static_cast<int>(rows.integer(1)))));
}

// The start of the local calendar day holding the instant.
int64_t localDayStart(int64_t ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    return QDateTime(t.date(), QTime(0, 0)).toMSecsSinceEpoch();
}

} // namespace

const char* levelName(Level level)
{
    switch (level) {
    case Level::Raw: return "raw";
    case Level::Minute: return "minute";
    case Level::Hour: return "hour";
    case Level::Day: return "day";
    }
    return "raw";
}

std::optional<Level> levelNamed(const QString& name)
{
    for (Level l : {Level::Raw, Level::Minute, Level::Hour, Level::Day})
        if (name == levelName(l))
            return l;
    return std::nullopt;
}

int64_t SeriesInfo::levelFirstMs(Level level) const
{
    switch (level) {
    case Level::Raw: return rawFirstMs;
    case Level::Minute: return minuteFirstMs;
    case Level::Hour:
    case Level::Day: return hourFirstMs;
    }
    return kNoTime;
}

std::vector<SeriesInfo> listSeries(SqlDatabase& db)
{
    std::vector<SeriesInfo> out;
    SqlStatement all(db, "SELECT id, serial, name, labels, units, levels,"
                         " (SELECT min(minute) FROM raw WHERE series=s.id),"
                         " (SELECT min(minute) FROM rollup WHERE series=s.id),"
                         " (SELECT max(minute) FROM rollup WHERE series=s.id),"
                         " (SELECT min(hour) FROM hourly WHERE series=s.id),"
                         " (SELECT max(hour) FROM hourly WHERE series=s.id),"
                         " (SELECT max(minute) FROM raw WHERE series=s.id)"
                         " FROM series s ORDER BY serial, id");
    while (all.step()) {
        SeriesInfo s;
        s.id = static_cast<int>(all.integer(0));
        s.who = {all.text(1), all.text(2), fields(all.text(3)), fields(all.text(4)), fields(all.text(5))};
        const auto nullable = [&all](int column, int64_t unit) {
            return all.text(column).isEmpty() ? kNoTime : all.integer(column) * unit;
        };
        s.rawFirstMs = nullable(6, kMinuteMs);
        s.minuteFirstMs = nullable(7, kMinuteMs);
        s.hourFirstMs = nullable(9, kHourMs);
        s.firstMs = std::min({s.rawFirstMs, s.minuteFirstMs, s.hourFirstMs});
        int64_t last = std::numeric_limits<int64_t>::min();
        if (!all.text(8).isEmpty())
            last = std::max(last, (all.integer(8) + 1) * kMinuteMs);
        if (!all.text(10).isEmpty())
            last = std::max(last, (all.integer(10) + 1) * kHourMs);
        if (!all.text(11).isEmpty())
            last = std::max(last, (all.integer(11) + 1) * kMinuteMs);
        if (s.firstMs == kNoTime)
            s.firstMs = last = 0;
        s.lastMs = last;
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

void forEachBucket(SqlDatabase& db, const SeriesInfo& series, int64_t fromMs, int64_t toMs, Level level,
                   const std::function<void(const Bucket&)>& fn)
{
    switch (level) {
    case Level::Raw:
        forEachSample(db, series, fromMs, toMs, [&](int64_t t, const std::vector<double>& v) {
            fn(Bucket{t, t, 1, v, v, v});
        });
        return;
    case Level::Minute:
    case Level::Hour:
        forEachRollup(db, series, fromMs, toMs, level == Level::Hour, fn);
        return;
    case Level::Day: {
        // The hours of each local calendar day (23 or 25 on the nights the clocks change).
        Bucket day;
        bool open = false;
        const auto close = [&] {
            if (open && day.count > 0 && day.startMs < toMs)
                fn(day);
            open = false;
        };
        MinuteRollup total;
        // Days that begin in the range.
        const int64_t first = localDayStart(fromMs) < fromMs ? localDayStart(localDayStart(fromMs) + 36 * kHourMs) : fromMs;
        // The last day that begins in the range is read whole.
        const int64_t through = localDayStart(localDayStart(toMs - 1) + 36 * kHourMs);
        forEachRollup(db, series, first, through, true, [&](const Bucket& hour) {
                          const int64_t start = localDayStart(hour.startMs);
                          if (!open || start != day.startMs) {
                              if (open) {
                                  day.min = total.min, day.mean = total.mean, day.max = total.max, day.count = total.count;
                                  close();
                              }
                              total = MinuteRollup{};
                              day = Bucket{start, localDayStart(start + 36 * kHourMs), 0, {}, {}, {}};
                              open = true;
                          }
                          combineInto(total, MinuteRollup{hour.count, hour.min, hour.mean, hour.max});
                      });
        if (open) {
            day.min = total.min, day.mean = total.mean, day.max = total.max, day.count = total.count;
            close();
        }
        return;
    }
    }
}

Level levelCovering(const SeriesInfo& series, int64_t fromMs, Level wanted)
{
    // A level covers the range when it reaches back to its start, or when
    // no coarser level holds anything older than it does.
    const auto floorHour = [](int64_t ms) { return hourOf(ms) * kHourMs; };
    const auto covers = [&](Level l) {
        const int64_t first = series.levelFirstMs(l);
        if (first == kNoTime)
            return false;
        if (fromMs >= first)
            return true;
        if (l == Level::Raw)
            return series.minuteFirstMs >= first && series.hourFirstMs >= floorHour(first);
        return l == Level::Minute ? series.hourFirstMs >= floorHour(first) : true;
    };
    for (Level l : {Level::Raw, Level::Minute, Level::Hour})
        if (static_cast<int>(l) >= static_cast<int>(wanted) && covers(l))
            return l;
    return wanted == Level::Day ? Level::Day : Level::Hour;
}

std::optional<Bucket> nearestBucket(SqlDatabase& db, const SeriesInfo& series, int64_t timeMs, int64_t withinMs)
{
    // Where samples are kept one by one, the nearest of them (or none: a gap).
    if (series.rawFirstMs != kNoTime && timeMs + withinMs >= series.rawFirstMs) {
        if (const auto sample = nearestSample(db, series, timeMs, withinMs))
            return Bucket{sample->first, sample->first, 1, sample->second, sample->second, sample->second};
        if (timeMs >= series.rawFirstMs)
            return std::nullopt;
    }
    // Before them: the minute or hour that holds the time, or the nearest one.
    for (const auto& [level, unit] : {std::pair{Level::Minute, kMinuteMs}, std::pair{Level::Hour, kHourMs}}) {
        if (series.levelFirstMs(level) == kNoTime || timeMs + withinMs < series.levelFirstMs(level))
            continue;
        std::optional<Bucket> best;
        const auto distance = [timeMs](const Bucket& b) {
            return timeMs < b.startMs ? b.startMs - timeMs : timeMs >= b.endMs ? timeMs - b.endMs + 1 : 0;
        };
        for (int64_t reach = unit; !best; reach *= 4) {
            const int64_t r = std::min(reach, withinMs + unit);
            forEachBucket(db, series, timeMs - r, timeMs + r, level, [&](const Bucket& b) {
                if (distance(b) <= withinMs && (!best || distance(b) < distance(*best)))
                    best = b;
            });
            if (r >= withinMs + unit)
                break;
        }
        if (best)
            return best;
    }
    return std::nullopt;
}

HistoryColumns readColumns(SqlDatabase& db, const std::vector<SeriesInfo>& series, int64_t fromMs, int64_t toMs,
                           int columns)
{
    HistoryColumns out;
    out.fromMs = fromMs;
    out.toMs = std::max(toMs, fromMs + 1);
    out.columns = std::max(columns, 1);
    const double span = static_cast<double>(out.toMs - out.fromMs);
    const double perColumn = span / out.columns;
    const Level fits = perColumn >= kHourMs ? Level::Hour : perColumn >= kMinuteMs ? Level::Minute : Level::Raw;
    for (const SeriesInfo& s : series) {
        const int channels = s.who.channels();
        std::vector<ChannelColumns> cols(static_cast<size_t>(channels));
        std::vector<std::vector<int>> counts(static_cast<size_t>(channels), std::vector<int>(out.columns, 0));
        for (ChannelColumns& c : cols) {
            c.min.assign(static_cast<size_t>(out.columns), kNone);
            c.mean.assign(static_cast<size_t>(out.columns), 0.0);
            c.max.assign(static_cast<size_t>(out.columns), kNone);
        }
        const auto take = [&](const Bucket& b) {
            if (b.startMs < out.fromMs || b.startMs >= out.toMs)
                return;
            const size_t col = static_cast<size_t>(std::min<int64_t>(
                out.columns - 1, static_cast<int64_t>((b.startMs - out.fromMs) / span * out.columns)));
            const int weight = std::max(b.count, 1);
            for (size_t ch = 0; ch < cols.size() && ch < b.mean.size(); ++ch) {
                if (std::isnan(b.mean[ch]))
                    continue;
                ChannelColumns& c = cols[ch];
                int& n = counts[ch][col];
                c.min[col] = n == 0 ? b.min[ch] : std::min(c.min[col], b.min[ch]);
                c.max[col] = n == 0 ? b.max[ch] : std::max(c.max[col], b.max[ch]);
                c.mean[col] += b.mean[ch] * weight;
                n += weight;
            }
        };
        // From the newest part back: each level where it holds data, the
        // next coarser one before that.
        int64_t end = out.toMs;
        for (Level l : {Level::Raw, Level::Minute, Level::Hour}) {
            if (static_cast<int>(l) < static_cast<int>(fits) || end <= out.fromMs)
                continue;
            const int64_t begin = l == Level::Hour ? out.fromMs : std::max(out.fromMs, s.levelFirstMs(l));
            if (begin >= end)
                continue;
            forEachBucket(db, s, begin, end, l, take);
            out.coarsest = std::max(out.coarsest, l);
            // The coarser level takes over before this one's first bucket
            // (which it holds too, in a bucket of its own that begins earlier).
            end = l == Level::Minute ? hourOf(begin) * kHourMs : begin;
        }
        for (size_t ch = 0; ch < cols.size(); ++ch)
            for (int col = 0; col < out.columns; ++col) {
                const int n = counts[ch][static_cast<size_t>(col)];
                double& mean = cols[ch].mean[static_cast<size_t>(col)];
                mean = n > 0 ? mean / n : kNone;
            }
        out.series.push_back(std::move(cols));
    }
    out.fromRollups = out.coarsest != Level::Raw;
    return out;
}

} // namespace vs
