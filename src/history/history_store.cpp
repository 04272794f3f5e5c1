#include "history/history_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace vs {

namespace {

constexpr int64_t kMinuteMs = 60000;
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

void createHistorySchema(SqlDatabase& db)
{
    db.exec("CREATE TABLE IF NOT EXISTS series(id INTEGER PRIMARY KEY, serial TEXT NOT NULL, name TEXT,"
            " labels TEXT NOT NULL, units TEXT NOT NULL, UNIQUE(serial, labels, units));"
            // A minute's block (about a kilobyte) stays on its page in a rowid table.
            "CREATE TABLE IF NOT EXISTS raw(series INTEGER NOT NULL, minute INTEGER NOT NULL, data BLOB NOT NULL);"
            "CREATE UNIQUE INDEX IF NOT EXISTS raw_key ON raw(series, minute);"
            "CREATE TABLE IF NOT EXISTS rollup(series INTEGER NOT NULL, minute INTEGER NOT NULL, n INTEGER NOT NULL,"
            " data BLOB NOT NULL, PRIMARY KEY(series, minute)) WITHOUT ROWID;");
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
    // Reading the schema finds a file that is not a database at all.
    db_.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
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
    if (find.step()) {
        id = static_cast<int>(find.integer(0));
        // A stick that was renamed keeps its series under its new name.
        SqlStatement rename(db_, "UPDATE series SET name=?1 WHERE id=?2 AND name IS NOT ?1");
        rename.bind(1, who.name).bind(2, static_cast<int64_t>(id)).step();
    } else {
        SqlStatement insert(db_, "INSERT INTO series(serial, name, labels, units) VALUES(?1, ?2, ?3, ?4)");
        insert.bind(1, who.serial).bind(2, who.name).bind(3, who.labels.join('\t')).bind(4, who.units.join('\t'));
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
        transaction.commit();
    } catch (const SqlError&) {
        ids_ = idsBefore;
        minutes_ = minutesBefore;
        throw;
    }
    return added;
}

bool HistoryStore::prune(int64_t nowMs, int rawDays, int rollupDays, int limit)
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
                    rollupDays}}) {
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
    return left <= 0;
}

} // namespace vs
