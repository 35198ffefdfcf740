#pragma once

// The baselines' side: the sqlite3 C API with statements prepared once, and nothing else. Each
// statement is prepared when the baseline starts and then only reset, bound and stepped.

#include <QString>

#include <sqlite3.h>

#include <cstdint>

class RawStatement {
public:
    RawStatement(sqlite3* db, const char* sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    RawStatement& bind(int index, qint64 value);
    RawStatement& bind(int index, const QString& text); // a null string binds NULL
    RawStatement& bindNull(int index);

    // One step: true while a row is there.
    bool row();
    // Steps to the end and resets; false when a step failed.
    bool run();
    void reset();

    qint64 integer(int column) const { return sqlite3_column_int64(stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt, column) == SQLITE_NULL; }
    QString text(int column) const;

private:
    sqlite3* db;
    sqlite3_stmt* stmt = nullptr;
};

// A connection with the settings the plugin's connections have: a busy timeout of two minutes,
// everything else at SQLite's defaults (the schema script, where it runs, sets its own).
class RawLibrary {
public:
    explicit RawLibrary(const QString& path);
    ~RawLibrary();
    RawLibrary(const RawLibrary&) = delete;
    RawLibrary& operator=(const RawLibrary&) = delete;

    sqlite3* handle() const { return db; }
    // Runs a statement text without bound values; aborts the benchmark when it fails.
    void exec(const char* sql);
    void exec(const QString& sql) { exec(sql.toUtf8().constData()); }
    qint64 lastInsertId() const { return sqlite3_last_insert_rowid(db); }

private:
    sqlite3* db = nullptr;
};

// Stops the program with the message of the failed step: a baseline that does not do its
// rows has no time worth reporting.
[[noreturn]] void rawFailure(sqlite3* db, const char* what);
