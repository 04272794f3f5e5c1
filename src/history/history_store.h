#pragma once
#include "history/minute_block.h"
#include "history/sqlite_db.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

namespace vs {

// Who a series belongs to: a stick's serial number and name, and its
// channels' labels and units as the stick reports them. A stick read on
// another port or another day continues its own series; a stick whose
// channels changed (new firmware) begins a new one.
struct SeriesIdentity {
    QString serial, name;
    QStringList labels, units;
    // Per channel the stick's warning levels, blank-separated ("1000 1500");
    // kept with the series (the daily summary counts the time above them),
    // not part of who it is.
    QStringList levels = {};
    int channels() const { return static_cast<int>(labels.size()); }
};

// One pass's values of one stick at a time (ms since the epoch, UTC).
struct HistorySample {
    SeriesIdentity who;
    int64_t timeMs = 0;
    std::vector<double> values; // one per channel; NaN: no value
};

// The schema both the writer and the readers know.
//   series(id, serial, name, labels, units, levels)  labels, units, levels TAB-separated
//   raw(series, minute, data)                  one row per series and minute:
//                                              every sample of it (minute_block.h)
//   rollup(series, minute, n, data)            per channel min, mean, max of a minute
//   hourly(series, hour, n, data)              the same of an hour
// Minutes and hours count from the epoch (UTC). Raw minutes are kept for
// RawDays, rollups for RollupDays, hours for HourDays.
void createHistorySchema(SqlDatabase& db);
int64_t minuteOf(int64_t timeMs);
int64_t hourOf(int64_t timeMs);

// The writing side of the history: one connection, one transaction per call.
class HistoryStore {
public:
    // Opens the file, creating it and its schema when new. A file that is not
    // a usable database is moved aside (renamed with the date and time) and a
    // new one begun; `notice` then says so. Throws SqlError when even a new
    // file cannot be made.
    void open(const QString& path, QString* notice = nullptr);
    void close();
    bool isOpen() const { return db_.isOpen(); }
    SqlDatabase& db() { return db_; }
    const QString& path() const { return path_; }

    // Adds the samples in one transaction; returns how many were new (a
    // sample at a time its series already holds is skipped). Throws SqlError;
    // then nothing of the call is stored.
    int add(const std::vector<HistorySample>& samples);
    // Deletes at most `limit` raw minutes older than `rawDays`, rollups older
    // than `rollupDays` and hours older than `hourDays`; true when there is
    // more to delete. What was freed goes back to the file system.
    bool prune(int64_t nowMs, int rawDays, int rollupDays, int hourDays, int limit);
    // The file's own consistency, checked in a bounded time: "" when sound.
    QString quickCheck();

private:
    struct OpenMinute {
        int64_t minute = -1;
        std::vector<MinuteSample> samples;
    };
    int seriesId(const SeriesIdentity& who);
    void openFile();
    void saveHour(int id, int64_t hour, int channels);
    // Another connection (an import) wrote since this one did: what is
    // kept of open minutes may be stale.
    void dropStaleCache();

    SqlDatabase db_;
    QString path_;
    std::map<QString, int> ids_;        // identity text -> series id
    std::map<int, OpenMinute> minutes_; // the minute each series writes into now
    int64_t dataVersion_ = -1;
};

// "history.sqlite" renamed aside: "history.sqlite.damaged-2026-12-07T15-04-05".
QString moveAside(const QString& path);

} // namespace vs
