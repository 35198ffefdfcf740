#pragma once

// Owners for the sqlite3 C API: one connection and one prepared statement, each closed when it
// goes, with their errors as text.

#include <QString>
#include <QVariant>

#include <sqlite3.h>

namespace LibraryMaintenance {

class Connection {
public:
    Connection() = default;
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens path with the sqlite3_open_v2 flags and a busy timeout of two minutes, as the
    // player's own connection waits. On failure error says why and the connection is closed.
    bool open(const QString& path, int flags, QString* error);
    void close();
    sqlite3* get() const { return db; }
    explicit operator bool() const { return db != nullptr; }

    // Runs statements that return no rows; on failure error gets SQLite's message.
    bool exec(const char* sql, QString* error = nullptr);
    QString lastError() const;

private:
    sqlite3* db = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return stmt != nullptr; }
    // SQLite's message when preparing failed or the last step failed.
    QString error() const { return message; }
    sqlite3_stmt* get() const { return stmt; }

    // One step: SQLITE_ROW, SQLITE_DONE or an error code (then error() says which).
    int step();
    // Resets the statement and clears its bindings for the next run.
    void reset();
    void bind(int index, qint64 value) { sqlite3_bind_int64(stmt, index, value); }
    void bind(int index, const QVariant& value);
    qint64 int64(int column) const { return sqlite3_column_int64(stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt, column) == SQLITE_NULL; }
    QString text(int column) const;
    // A column as a QVariant that keeps SQLite's storage class: NULL invalid, INTEGER qint64,
    // REAL double, TEXT QString, BLOB QByteArray.
    QVariant value(int column) const;

private:
    sqlite3* db;
    sqlite3_stmt* stmt = nullptr;
    QString message;
};

// A name quoted as an SQL identifier.
QString quoted(const QString& name);

} // namespace LibraryMaintenance
