#pragma once
#include "history/history_reader.h"

#include <QIODevice>
#include <QSet>

#include <limits>
#include <map>
#include <optional>

namespace vs {

// What an export takes: a time range, the sticks (empty: all), the level and the format.
struct ExportRequest {
    int64_t fromMs = std::numeric_limits<int64_t>::min() / 2;
    int64_t toMs = std::numeric_limits<int64_t>::max() / 2;
    QStringList serials;
    // Per serial the channels to write (by index); a stick not named here: all.
    std::map<QString, QSet<int>> channels;
    // CSV (RFC 4180: commas, CRLF, quoted where needed, ISO 8601 times with
    // their UTC offset, "." decimals), or the value log's format (TAB and a
    // blank, "yyyy-mm-dd hh:mm:ss" local times, "0:" prefixes with two
    // sticks, the value log's decimal separator).
    bool csv = true;
    char decimal = '.';
    // Times in UTC ("2026-12-07T14:04:05Z") rather than local time.
    bool utc = false;
    // Every sample, or per bucket of a level the mean, least and greatest
    // value of each channel (three columns each).
    Level level = Level::Raw;
};

// One row per time at which any chosen stick has a sample (or a bucket); a
// channel without a value there stays empty. False (and why) when the output
// failed; `rows` counts the data rows written.
bool exportHistory(SqlDatabase& db, const ExportRequest& request, QIODevice& out, QString& error, long* rows = nullptr);

// An ISO 8601 time as Unix milliseconds; a date alone is its midnight, or
// with `wholeDay` the next midnight (a date as the end of a range takes in that day).
std::optional<int64_t> isoTimeMs(const QString& text, bool wholeDay);

// The shortest text that reads back as the same number ("1234.56").
QString numberText(double value);

// "2026-12-07T15:04:05+01:00" (ISO 8601 with the offset, milliseconds only
// when there are some; "Z" in UTC) or the value log's "2026-12-07 15:04:05".
// The date part is worked out once a minute.
class TimeText {
public:
    TimeText(bool iso, bool utc) : iso_(iso), utc_(utc) {}
    QString text(int64_t ms);

private:
    bool iso_, utc_;
    int64_t minute_ = std::numeric_limits<int64_t>::min();
    QString head_, tail_;
};

} // namespace vs
