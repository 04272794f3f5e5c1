#pragma once
#include "history/history_reader.h"

#include <QIODevice>

namespace vs {

// Statistics of a time range: per local calendar day and channel the mean,
// the least and the greatest value and the time spent at or above each of
// the stick's warning levels; the same for every week (ISO weeks) and for
// the whole range. The time above a level counts the minutes whose mean
// reached it (per hour for ranges longer than 62 days, or where only hours
// are kept).
struct SummaryRow {
    QString period; // "2026-12-07", "2026-W50" or "all"
    size_t series = 0;
    int channel = 0;
    double mean = 0, min = 0, max = 0;
    std::vector<std::pair<double, double>> above; // warning level, hours at or above it
};
struct HistorySummary {
    std::vector<SeriesInfo> series;
    std::vector<SummaryRow> rows; // by series and channel, days, then weeks, then "all"
    Level counted = Level::Minute;
};
HistorySummary summarize(SqlDatabase& db, const QStringList& serials, int64_t fromMs, int64_t toMs);

// The summary as CSV: period, serial, name, label, unit, mean, min, max, and
// per warning level its value and the hours at or above it.
bool writeSummary(const HistorySummary& summary, QIODevice& out, QString& error);

// A channel's warning levels as the series keeps them ("1000 1500").
std::vector<double> warningLevels(const SeriesIdentity& who, int channel);

} // namespace vs
