#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace vs {

// An SQLite error with its result code (SQLITE_FULL, SQLITE_CORRUPT, ...).
class SqlError : public std::runtime_error {
public:
    SqlError(int code, const std::string& what) : std::runtime_error(what), code(code) {}
    int code;
    bool diskFull() const;
    bool corrupt() const; // the file is damaged or not a database
    bool busy() const;    // another connection holds the file
};

class SqlStatement;

// One connection to an SQLite database file. Every failure throws SqlError.
class SqlDatabase {
public:
    SqlDatabase() = default;
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;
    ~SqlDatabase();

    void open(const QString& path, bool readOnly = false);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    void exec(const char* sql);
    sqlite3* handle() const { return db_; }
    // How long a statement waits for another connection's lock before it fails.
    void setBusyTimeout(int ms);
    // Throws the connection's last error as SqlError.
    [[noreturn]] void raise(int code) const;

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement; bind(), then step() until it returns false.
class SqlStatement {
public:
    SqlStatement(SqlDatabase& db, const char* sql);
    SqlStatement(const SqlStatement&) = delete;
    ~SqlStatement();

    SqlStatement& bind(int index, int64_t value);
    SqlStatement& bind(int index, double value);
    SqlStatement& bind(int index, const QString& text);
    SqlStatement& bind(int index, const QByteArray& blob);
    // True while there is a row.
    bool step();
    void reset();
    int64_t integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;

private:
    SqlDatabase& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A transaction that rolls back unless committed.
class SqlTransaction {
public:
    explicit SqlTransaction(SqlDatabase& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
    ~SqlTransaction();
    void commit();

private:
    SqlDatabase& db_;
    bool done_ = false;
};

} // namespace vs
