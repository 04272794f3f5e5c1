#pragma once
#include "history/history_reader.h"

#include <QIODevice>
#include <QSet>

#include <limits>
#include <map>

namespace vs {

// What an export takes: a time range, the sticks (empty: all) and the format.
struct ExportRequest {
    int64_t fromMs = std::numeric_limits<int64_t>::min() / 2;
    int64_t toMs = std::numeric_limits<int64_t>::max() / 2;
    QStringList serials;
    // Per serial the channels to write (by index); a stick not named here: all.
    std::map<QString, QSet<int>> channels;
    // CSV (RFC 4180: commas, CRLF, quoted where needed, ISO 8601 times with
    // their UTC offset, "." decimals), or the value log's format (TAB and a
    // blank, "yyyy-mm-dd hh:mm:ss" local times, "0:" prefixes with two sticks).
    bool csv = true;
};

// One row per time at which any chosen stick has a sample; a channel without a
// value there stays empty. False (and why) when the output failed; `rows`
// counts the data rows written.
bool exportHistory(SqlDatabase& db, const ExportRequest& request, QIODevice& out, QString& error, long* rows = nullptr);

// The shortest text that reads back as the same number ("1234.56").
QString numberText(double value);

} // namespace vs
