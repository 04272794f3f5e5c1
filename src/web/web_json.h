#pragma once
#include "history/history_reader.h"
#include "history/history_summary.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace vs {

class StickLink;

// The sticks as the page shows them: per stick its slot, serial (or the
// name it has without one), name, interface, state ("open", "no values",
// "removed") and its channels (id, label, unit, value or null, warning
// state or null); the overall air state (the highest warning state of any
// value, null when no stick gave one), the pass count and the time (UTC ms).
QByteArray sticksJson(const StickLink& link, long passes, int64_t utcMs);

// The service's state: version, passes, whether sampling runs, whether a
// history is kept, and the last status lines.
QByteArray statusJson(const QString& version, long passes, bool sampling, bool history, const QStringList& lines);

// A history range as drawn: per series its serial, name, labels, units and
// per channel the least, mean and greatest value of each column (null: a gap).
QByteArray historyJson(const HistoryColumns& columns, const std::vector<SeriesInfo>& series);

// The series list of the history: serial, name, labels, units, first and last time.
QByteArray seriesJson(const std::vector<SeriesInfo>& series);

// The summary of a range: per day, ISO week and the whole range, per
// channel its serial, name, label, unit, mean, least and greatest value
// and the hours at or above each warning level; and the level counted.
QByteArray summaryJson(const HistorySummary& summary);

} // namespace vs
