#include "history/history_backup.h"

#include "history/sqlite_db.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

namespace vs {

bool backupHistory(const QString& path, const QString& target, QString& error)
{
    if (!QFileInfo::exists(path)) {
        error = "there is no history at " + path;
        return false;
    }
    const QString part = target + ".part";
    QFile::remove(part);
    try {
        SqlDatabase source, copy;
        source.open(path, true);
        copy.open(part);
        sqlite3_backup* backup = sqlite3_backup_init(copy.handle(), "main", source.handle(), "main");
        if (!backup)
            copy.raise(sqlite3_errcode(copy.handle()));
        // All pages in one step, from one snapshot: in WAL mode a running
        // copy goes on writing meanwhile (a backup in small steps would begin
        // again after each of its writes, and never end on a large file).
        // Busy only while another connection recovers the file: tried again
        // for half a minute.
        int rc = SQLITE_OK;
        for (int tries = 0; tries < 600; ++tries) {
            rc = sqlite3_backup_step(backup, -1);
            if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                break;
            QThread::msleep(50);
        }
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            copy.raise(rc);
    } catch (const SqlError& e) {
        QFile::remove(part);
        error = QString::fromStdString(e.what());
        return false;
    }
    QFile::remove(target);
    if (!QFile::rename(part, target)) {
        QFile::remove(part);
        error = "the copy could not be moved to " + target;
        return false;
    }
    return true;
}

} // namespace vs
