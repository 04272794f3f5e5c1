#include "history/sqlite_db.h"

#include <sqlite3.h>

namespace vs {

bool SqlError::diskFull() const
{
    return (code & 0xff) == SQLITE_FULL;
}

bool SqlError::busy() const
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

bool SqlError::corrupt() const
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

SqlDatabase::~SqlDatabase()
{
    close();
}

void SqlDatabase::open(const QString& path, bool readOnly)
{
    close();
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string what = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        close();
        throw SqlError(rc, what);
    }
    sqlite3_extended_result_codes(db_, 1);
    // A writer holding the file a moment (a checkpoint) is waited for.
    sqlite3_busy_timeout(db_, 2000);
}

void SqlDatabase::setBusyTimeout(int ms)
{
    if (db_)
        sqlite3_busy_timeout(db_, ms);
}

void SqlDatabase::close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SqlDatabase::exec(const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string what = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw SqlError(rc, what);
    }
}

void SqlDatabase::raise(int code) const
{
    throw SqlError(code, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
}

SqlStatement::SqlStatement(SqlDatabase& db, const char* sql) : db_(db)
{
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.raise(rc);
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(stmt_);
}

SqlStatement& SqlStatement::bind(int index, int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

SqlStatement& SqlStatement::bind(int index, double value)
{
    sqlite3_bind_double(stmt_, index, value);
    return *this;
}

SqlStatement& SqlStatement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

SqlStatement& SqlStatement::bind(int index, const QByteArray& blob)
{
    sqlite3_bind_blob(stmt_, index, blob.constData(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
    return *this;
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    db_.raise(rc);
}

void SqlStatement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int64_t SqlStatement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

double SqlStatement::real(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

QString SqlStatement::text(int column) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
}

QByteArray SqlStatement::blob(int column) const
{
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return p ? QByteArray(p, sqlite3_column_bytes(stmt_, column)) : QByteArray();
}

SqlTransaction::~SqlTransaction()
{
    if (!done_) {
        try {
            db_.exec("ROLLBACK");
        } catch (const SqlError&) {
            // Already rolled back by SQLite (a full disk does that).
        }
    }
}

void SqlTransaction::commit()
{
    db_.exec("COMMIT");
    done_ = true;
}

} // namespace vs
