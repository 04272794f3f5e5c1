#include "history/history_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <set>

namespace vs {

namespace {

constexpr int64_t kMinuteMs = 60000;
constexpr int64_t kHourMs = 3600000;
constexpr int64_t kDayMinutes = 1440;

QString identityKey(const SeriesIdentity& who)
{
    return who.serial + '\n' + who.labels.join('\t') + '\n' + who.units.join('\t');
}

} // namespace

int64_t minuteOf(int64_t timeMs)
{
    return timeMs >= 0 ? timeMs / kMinuteMs : (timeMs - kMinuteMs + 1) / kMinuteMs;
}

int64_t hourOf(int64_t timeMs)
{
    return timeMs >= 0 ? timeMs / kHourMs : (timeMs - kHourMs + 1) / kHourMs;
}

void createHistorySchema(SqlDatabase& db)
{
    db.exec("CREATE TABLE IF NOT EXISTS series(id INTEGER PRIMARY KEY, serial TEXT NOT NULL, name TEXT,"
            " labels TEXT NOT NULL, units TEXT NOT NULL, UNIQUE(serial, labels, units));"
            // A minute's block (about a kilobyte) stays on its page in a rowid table.
            "CREATE TABLE IF NOT EXISTS raw(series INTEGER NOT NULL, minute INTEGER NOT NULL, data BLOB NOT NULL);"
            "CREATE UNIQUE INDEX IF NOT EXISTS raw_key ON raw(series, minute);"
            "CREATE TABLE IF NOT EXISTS rollup(series INTEGER NOT NULL, minute INTEGER NOT NULL, n INTEGER NOT NULL,"
            " data BLOB NOT NULL, PRIMARY KEY(series, minute)) WITHOUT ROWID;"
            "CREATE TABLE IF NOT EXISTS hourly(series INTEGER NOT NULL, hour INTEGER NOT NULL, n INTEGER NOT NULL,"
            " data BLOB NOT NULL, PRIMARY KEY(series, hour)) WITHOUT ROWID;");
    // A history of an earlier version: the warning levels' column, and its
    // hours made from the minutes it holds.
    bool levels = false;
    {
        SqlStatement columns(db, "PRAGMA table_info(series)");
        while (columns.step())
            levels = levels || columns.text(1) == "levels";
    }
    if (!levels)
        db.exec("ALTER TABLE series ADD COLUMN levels TEXT");
    SqlStatement anyHour(db, "SELECT 1 FROM hourly LIMIT 1");
    SqlStatement anyMinute(db, "SELECT 1 FROM rollup LIMIT 1");
    if (!anyHour.step() && anyMinute.step()) {
        std::map<std::pair<int64_t, int64_t>, MinuteRollup> hours;
        std::map<int64_t, int> channels;
        SqlStatement series(db, "SELECT id, labels FROM series");
        while (series.step())
            channels[series.integer(0)] = series.text(1).isEmpty() ? 0 : static_cast<int>(series.text(1).count('\t')) + 1;
        SqlStatement rows(db, "SELECT series, minute, n, data FROM rollup");
        while (rows.step()) {
            const int64_t id = rows.integer(0);
            combineInto(hours[{id, rows.integer(1) / 60}],
                        decodeRollup(rows.blob(3), channels[id], static_cast<int>(rows.integer(2))));
        }
        SqlTransaction transaction(db);
        SqlStatement save(db, "INSERT OR REPLACE INTO hourly(series, hour, n, data) VALUES(?1, ?2, ?3, ?4)");
        for (const auto& [key, r] : hours) {
            save.reset();
            save.bind(1, key.first).bind(2, key.second).bind(3, static_cast<int64_t>(r.count)).bind(4, encodeRollup(r)).step();
        }
        transaction.commit();
    }
}

QString moveAside(const QString& path)
{
    const QString aside =
        path + ".damaged-" + QDateTime::currentDateTime().toString("yyyy-MM-ddTHH-mm-ss");
    QFile::rename(path, aside);
    for (const char* part : {"-wal", "-shm"}) {
        QFile::remove(aside + part);
        QFile::rename(path + part, aside + part);
    }
    return aside;
}

void HistoryStore::open(const QString& path, QString* notice)
{
    close();
    path_ = path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    try {
        openFile();
    } catch (const SqlError& e) {
        if (!e.corrupt())
            throw;
        db_.close();
        const QString aside = moveAside(path);
        if (notice)
            *notice = "History: " + path + " could not be read (" + QString::fromStdString(e.what()) +
                      "); it was moved to " + aside + " and a new history begun.";
        openFile();
    }
}

void HistoryStore::openFile()
{
    // The readings are the owner's alone: the file is made owner-only before
    // SQLite writes anything, and its journal files take the file's mode.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (path_ != ":memory:") {
        QFile file(path_);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.close();
        for (const QString& name : {path_, path_ + "-wal", path_ + "-shm"})
            if (QFile::exists(name))
                QFile::setPermissions(name, ownerOnly);
    }
    db_.open(path_);
    // A new file gives back what pruning frees (an older one keeps its size).
    // Reading the schema finds a file that is not a database at all.
    db_.exec("PRAGMA auto_vacuum=INCREMENTAL; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    createHistorySchema(db_);
}

void HistoryStore::close()
{
    db_.close();
    ids_.clear();
    minutes_.clear();
}

int HistoryStore::seriesId(const SeriesIdentity& who)
{
    const QString key = identityKey(who);
    if (const auto it = ids_.find(key); it != ids_.end())
        return it->second;
    SqlStatement find(db_, "SELECT id FROM series WHERE serial=?1 AND labels=?2 AND units=?3");
    find.bind(1, who.serial).bind(2, who.labels.join('\t')).bind(3, who.units.join('\t'));
    int id = 0;
    const QString levels = who.levels.join('\t');
    if (find.step()) {
        id = static_cast<int>(find.integer(0));
        // A stick that was renamed keeps its series under its new name, and
        // its warning levels as they are now (an import knows none).
        SqlStatement rename(db_, "UPDATE series SET name=?1 WHERE id=?2 AND name IS NOT ?1");
        rename.bind(1, who.name).bind(2, static_cast<int64_t>(id)).step();
        if (!who.levels.isEmpty()) {
            SqlStatement relevel(db_, "UPDATE series SET levels=?1 WHERE id=?2 AND levels IS NOT ?1");
            relevel.bind(1, levels).bind(2, static_cast<int64_t>(id)).step();
        }
    } else {
        SqlStatement insert(db_, "INSERT INTO series(serial, name, labels, units, levels) VALUES(?1, ?2, ?3, ?4, ?5)");
        insert.bind(1, who.serial).bind(2, who.name).bind(3, who.labels.join('\t')).bind(4, who.units.join('\t'))
            .bind(5, levels);
        insert.step();
        id = static_cast<int>(sqlite3_last_insert_rowid(db_.handle()));
    }
    ids_[key] = id;
    return id;
}

int HistoryStore::add(const std::vector<HistorySample>& samples)
{
    if (samples.empty())
        return 0;
    // What the call changed in memory is only kept when it was stored.
    const auto idsBefore = ids_;
    const auto minutesBefore = minutes_;
    int added = 0;
    try {
        SqlTransaction transaction(db_);
        dropStaleCache();
        std::set<std::pair<int, int64_t>> hours; // the hours whose minutes changed
        SqlStatement load(db_, "SELECT data FROM raw WHERE series=?1 AND minute=?2");
        SqlStatement saveRaw(db_, "INSERT INTO raw(series, minute, data) VALUES(?1, ?2, ?3)"
                                          " ON CONFLICT(series, minute) DO UPDATE SET data=excluded.data");
        SqlStatement saveRollup(db_, "INSERT OR REPLACE INTO rollup(series, minute, n, data) VALUES(?1, ?2, ?3, ?4)");
        std::map<int, bool> dirty;
        const auto flush = [&](int id, const OpenMinute& m, int channels) {
            saveRaw.reset();
            saveRaw.bind(1, static_cast<int64_t>(id)).bind(2, m.minute).bind(3, encodeMinute(m.samples, channels)).step();
            const MinuteRollup r = rollUp(m.samples, channels);
            saveRollup.reset();
            saveRollup.bind(1, static_cast<int64_t>(id)).bind(2, m.minute).bind(3, static_cast<int64_t>(r.count))
                .bind(4, encodeRollup(r)).step();
            hours.insert({id, m.minute / 60});
        };
        std::map<int, int> channelsOf;
        const SeriesIdentity* lastWho = nullptr;
        int lastId = 0;
        for (const HistorySample& s : samples) {
            // Samples of one stick follow each other: its identity is looked up once.
            const bool same = lastWho && lastWho->serial == s.who.serial && lastWho->labels == s.who.labels &&
                              lastWho->units == s.who.units && lastWho->name == s.who.name;
            const int id = same ? lastId : seriesId(s.who);
            lastWho = &s.who;
            lastId = id;
            const int channels = s.who.channels();
            channelsOf[id] = channels;
            OpenMinute& m = minutes_[id];
            const int64_t minute = minuteOf(s.timeMs);
            if (m.minute != minute) {
                if (dirty[id])
                    flush(id, m, channels);
                dirty[id] = false;
                m.minute = minute;
                load.reset();
                load.bind(1, static_cast<int64_t>(id)).bind(2, minute);
                m.samples = load.step() ? decodeMinute(load.blob(0), channels) : std::vector<MinuteSample>{};
                load.reset();
            }
            MinuteSample sample{static_cast<int>(s.timeMs - minute * kMinuteMs), s.values};
            sample.values.resize(static_cast<size_t>(channels), std::numeric_limits<double>::quiet_NaN());
            if (addToMinute(m.samples, std::move(sample))) {
                ++added;
                dirty[id] = true;
            }
        }
        for (const auto& [id, isDirty] : dirty)
            if (isDirty)
                flush(id, minutes_[id], channelsOf[id]);
        for (const auto& [id, hour] : hours)
            saveHour(id, hour, channelsOf[id]);
        transaction.commit();
        SqlStatement version(db_, "PRAGMA data_version");
        dataVersion_ = version.step() ? version.integer(0) : -1;
    } catch (const SqlError&) {
        ids_ = idsBefore;
        minutes_ = minutesBefore;
        throw;
    }
    return added;
}

void HistoryStore::saveHour(int id, int64_t hour, int channels)
{
    // The hour from its minutes: at most 60 rows, next to each other.
    SqlStatement minutes(db_, "SELECT n, data FROM rollup WHERE series=?1 AND minute BETWEEN ?2 AND ?3");
    minutes.bind(1, static_cast<int64_t>(id)).bind(2, hour * 60).bind(3, hour * 60 + 59);
    MinuteRollup total;
    while (minutes.step())
        combineInto(total, decodeRollup(minutes.blob(1), channels, static_cast<int>(minutes.integer(0))));
    if (total.count == 0)
        return;
    SqlStatement save(db_, "INSERT OR REPLACE INTO hourly(series, hour, n, data) VALUES(?1, ?2, ?3, ?4)");
    save.bind(1, static_cast<int64_t>(id)).bind(2, hour).bind(3, static_cast<int64_t>(total.count))
        .bind(4, encodeRollup(total)).step();
}

void HistoryStore::dropStaleCache()
{
    SqlStatement version(db_, "PRAGMA data_version");
    const int64_t now = version.step() ? version.integer(0) : -2;
    if (now != dataVersion_)
        minutes_.clear();
}

QString HistoryStore::quickCheck()
{
    // A damaged page shows in the first problems found; a hundred are enough to tell.
    QStringList problems;
    try {
        SqlStatement check(db_, "PRAGMA quick_check(100)");
        while (check.step())
            if (check.text(0) != "ok")
                problems << check.text(0);
    } catch (const SqlError& e) {
        if (!e.corrupt())
            throw;
        problems << QString::fromStdString(e.what());
    }
    return problems.join("; ");
}

bool HistoryStore::prune(int64_t nowMs, int rawDays, int rollupDays, int hourDays, int limit)
{
    const int64_t now = minuteOf(nowMs);
    std::vector<int64_t> series;
    {
        SqlStatement all(db_, "SELECT id FROM series");
        while (all.step())
            series.push_back(all.integer(0));
    }
    SqlTransaction transaction(db_);
    int left = limit;
    for (const auto& [sql, days] :
         {std::pair{"DELETE FROM raw WHERE series=?1 AND minute IN "
                    "(SELECT minute FROM raw WHERE series=?1 AND minute < ?2 LIMIT ?3)",
                    rawDays},
          std::pair{"DELETE FROM rollup WHERE series=?1 AND minute IN "
                    "(SELECT minute FROM rollup WHERE series=?1 AND minute < ?2 LIMIT ?3)",
                    rollupDays},
          std::pair{"DELETE FROM hourly WHERE series=?1 AND hour IN "
                    "(SELECT hour FROM hourly WHERE series=?1 AND hour < ?2 / 60 LIMIT ?3)",
                    hourDays}}) {
        SqlStatement del(db_, sql);
        for (const int64_t id : series) {
            if (left <= 0)
                break;
            del.reset();
            del.bind(1, id).bind(2, now - static_cast<int64_t>(days) * kDayMinutes).bind(3, static_cast<int64_t>(left));
            del.step();
            left -= sqlite3_changes(db_.handle());
        }
    }
    transaction.commit();
    minutes_.clear(); // a minute being written may have gone
    // The pages freed go back to the file system (a file that began with
    // incremental vacuum; an older one keeps its size and reuses them).
    db_.exec("PRAGMA incremental_vacuum(2000)");
    return left <= 0;
}

} // namespace vs
