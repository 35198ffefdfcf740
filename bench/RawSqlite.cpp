#include "RawSqlite.h"

#include <cstdio>
#include <cstdlib>

void rawFailure(sqlite3* db, const char* what) {
    std::fprintf(stderr, "raw sqlite3: %s: %s\n", what, db ? sqlite3_errmsg(db) : "no connection");
    std::abort();
}

RawStatement::RawStatement(sqlite3* db, const char* sql) : db(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        rawFailure(db, sql);
}

RawStatement::~RawStatement() {
    sqlite3_finalize(stmt);
}

RawStatement& RawStatement::bind(int index, qint64 value) {
    sqlite3_bind_int64(stmt, index, value);
    return *this;
}

RawStatement& RawStatement::bind(int index, const QString& text) {
    if (text.isNull())
        sqlite3_bind_null(stmt, index);
    else
        sqlite3_bind_text16(stmt, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                            SQLITE_TRANSIENT);
    return *this;
}

RawStatement& RawStatement::bindNull(int index) {
    sqlite3_bind_null(stmt, index);
    return *this;
}

bool RawStatement::row() {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        rawFailure(db, sqlite3_sql(stmt));
    return false;
}

bool RawStatement::run() {
    while (row()) {
    }
    reset();
    return true;
}

void RawStatement::reset() {
    sqlite3_reset(stmt);
}

QString RawStatement::text(int column) const {
    const void* chars = sqlite3_column_text16(stmt, column);
    if (!chars)
        return QString();
    return QString(static_cast<const QChar*>(chars),
                   sqlite3_column_bytes16(stmt, column) / int(sizeof(QChar)));
}

RawLibrary::RawLibrary(const QString& path) {
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        rawFailure(db, "open");
    sqlite3_busy_timeout(db, 120000);
    exec("PRAGMA temp_store = MEMORY");
}

RawLibrary::~RawLibrary() {
    sqlite3_close(db);
}

void RawLibrary::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, message ? message : "");
        sqlite3_free(message);
        std::abort();
    }
}
