#pragma once
#include "history/history_store.h"

#include <functional>
#include <optional>
#include <vector>

namespace vs {

// A series as the history holds it, with the span of its samples.
struct SeriesInfo {
    int id = 0;
    SeriesIdentity who;
    int64_t firstMs = 0, lastMs = 0; // the minutes it holds, first to last (rollups included)
};
std::vector<SeriesInfo> listSeries(SqlDatabase& db);

// The stored samples of a series from `fromMs` up to (not including) `toMs`, in time order.
void forEachSample(SqlDatabase& db, const SeriesInfo& series, int64_t fromMs, int64_t toMs,
                   const std::function<void(int64_t timeMs, const std::vector<double>& values)>& fn);
// The sample nearest to `timeMs`, no further than `withinMs` away.
std::optional<std::pair<int64_t, std::vector<double>>> nearestSample(SqlDatabase& db, const SeriesInfo& series,
                                                                      int64_t timeMs, int64_t withinMs);

// A time range as drawn: per series, channel and pixel column the least,
// mean and greatest value (NaN where nothing was recorded: a gap). Ranges
// whose columns span a minute or more are read from the per-minute rollups,
// shorter ones from the raw samples: a view costs at most a few rows per
// column, however long its range.
struct ChannelColumns {
    std::vector<double> min, mean, max;
};
struct HistoryColumns {
    int64_t fromMs = 0, toMs = 0;
    int columns = 0;
    bool fromRollups = false;
    std::vector<std::vector<ChannelColumns>> series; // [series][channel]
};
HistoryColumns readColumns(SqlDatabase& db, const std::vector<SeriesInfo>& series, int64_t fromMs, int64_t toMs,
                           int columns);

} // namespace vs
