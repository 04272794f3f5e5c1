#pragma once
#include "history/history_store.h"

#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace vs {

// The levels the history keeps, finest first: every sample (for RawDays),
// per minute (RollupDays), per hour (HourDays); a day is read from the hours
// of the local calendar day.
enum class Level { Raw, Minute, Hour, Day };
const char* levelName(Level level); // "raw", "minute", "hour", "day"
std::optional<Level> levelNamed(const QString& name);

constexpr int64_t kNoTime = std::numeric_limits<int64_t>::max();

// A series as the history holds it, with the span of its samples.
struct SeriesInfo {
    int id = 0;
    SeriesIdentity who;
    int64_t firstMs = 0, lastMs = 0; // what it holds at any level, first to last
    // Where each level's data begins (kNoTime: it holds none at that level).
    int64_t rawFirstMs = kNoTime, minuteFirstMs = kNoTime, hourFirstMs = kNoTime;
    int64_t levelFirstMs(Level level) const;
};
std::vector<SeriesInfo> listSeries(SqlDatabase& db);

// The stored samples of a series from `fromMs` up to (not including) `toMs`, in time order.
void forEachSample(SqlDatabase& db, const SeriesInfo& series, int64_t fromMs, int64_t toMs,
                   const std::function<void(int64_t timeMs, const std::vector<double>& values)>& fn);
// The sample nearest to `timeMs`, no further than `withinMs` away.
std::optional<std::pair<int64_t, std::vector<double>>> nearestSample(SqlDatabase& db, const SeriesInfo& series,
                                                                      int64_t timeMs, int64_t withinMs);

// One bucket of a level: when it begins and ends, how many samples it took,
// and per channel the least, mean and greatest value (NaN: none). A raw
// bucket is one sample.
struct Bucket {
    int64_t startMs = 0, endMs = 0;
    int count = 0;
    std::vector<double> min, mean, max;
};
// The buckets of a level beginning in [fromMs, toMs), in time order.
void forEachBucket(SqlDatabase& db, const SeriesInfo& series, int64_t fromMs, int64_t toMs, Level level,
                   const std::function<void(const Bucket&)>& fn);
// The finest level at or above `wanted` that holds the series' data from
// `fromMs` on; `wanted` itself when none does.
Level levelCovering(const SeriesInfo& series, int64_t fromMs, Level wanted);
// The bucket of the finest level that holds the time, no further than
// `withinMs` away (a sample within RawDays, a minute or hour before).
std::optional<Bucket> nearestBucket(SqlDatabase& db, const SeriesInfo& series, int64_t timeMs, int64_t withinMs);

// A time range as drawn: per series, channel and pixel column the least,
// mean and greatest value (NaN where nothing was recorded: a gap). Each part
// of the range is read from the finest level that fits a pixel column (raw
// samples, minutes, hours) and holds data there: a view costs at most a few
// rows per column, however long its range, and the years before RawDays
// show their minutes or hours.
struct ChannelColumns {
    std::vector<double> min, mean, max;
};
struct HistoryColumns {
    int64_t fromMs = 0, toMs = 0;
    int columns = 0;
    // The coarsest level any part of the view was read from.
    Level coarsest = Level::Raw;
    bool fromRollups = false;
    std::vector<std::vector<ChannelColumns>> series; // [series][channel]
};
HistoryColumns readColumns(SqlDatabase& db, const std::vector<SeriesInfo>& series, int64_t fromMs, int64_t toMs,
                           int columns);

} // namespace vs
