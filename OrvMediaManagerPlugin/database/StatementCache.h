#pragma once

// Prepared statements of the library connection, kept by their text. A statement is prepared
// the first time its text is used; afterwards it is only reset, bound and run again. A text
// that does not prepare and a run that fails are written to the statement log (the logging
// category "orv.sql", with the text, the bound values and SQLite's message): on in debug
// builds, off in release builds unless QT_LOGGING_RULES="orv.sql=true" switches it on. Statements
// run through the sqlite3 C API on the connection QtSql opened: QSqlQuery would re-read the
// column descriptions and copy every bound value on each run, which costs more than the
// statements themselves. Values go in and come out exactly as QtSql's SQLite driver binds and
// reads them, so a statement moved here from a QSqlQuery keeps every result.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>

#include <sqlite3.h>

#include <list>

namespace VireoStudio {

class StatementCache;

// One text the cache keeps: its statement while nobody has it out, and how many of its
// statements are out.
struct StatementCacheEntry {
    QByteArray text;
    sqlite3_stmt* idle = nullptr;
    int borrowed = 0;
    quint64 lastUse = 0;
};

// One statement borrowed from the cache (or, when the cache's own is in use, prepared for this
// use alone). It goes back to the cache, reset and with its values cleared, when this object
// goes. The calls mirror QSqlQuery's: bind, exec (which reads the first row), next, value.
class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Whether the text prepared.
    explicit operator bool() const { return stmt != nullptr; }

    // Binds a value to a named placeholder (":ID") for the following runs; a name that the
    // text does not hold binds nothing, and a placeholder left unbound runs as NULL. The value
    // is bound as QtSql binds it: "not set" values as NULL, QString as text, int and bool as
    // 32-bit, qint64 and uint as 64-bit integers, double as real, QByteArray as a blob, a
    // QDateTime as ISO text with milliseconds, anything else as its toString() text.
    void bindValue(const char* placeholder, const QVariant& value);
    // Runs the statement from its start with the bound values and reads its first row.
    bool exec();
    // Moves to the next row; the first call after exec moves to the row exec read.
    bool next();
    // A column of the current row as QtSql reads it: INTEGER as qlonglong, REAL as double,
    // TEXT as QString, BLOB as QByteArray, NULL as a null QString variant; invalid when there
    // is no current row or no such column.
    QVariant value(int column) const;
    // Whether a column of the current row is NULL, as value(column).isNull() tells.
    bool isNull(int column) const;
    // A column of the current row as orv::toUInt64(value(column)) reads it; an INTEGER column
    // is read without a QVariant in between.
    quint64 unsignedNumber(int column) const;
    // A date-time column of the current row as orv::storedDateTimeInUtc reads value(column):
    // SQLite's own stamps are read from their UTF-8 digits, without a QString in between.
    QDateTime storedDateTime(int column, bool* inUtc) const;
    // A column of the current row by its name (as the text's AS clause or the table names
    // it), read as value(column) reads it; invalid when the row has no such column.
    QVariant value(const char* columnName) const;
    // Whether the last run went through all its rows, as opposed to breaking off with an error.
    bool readToEnd() const { return state == State::Done; }
    // SQLite's result code of the last run that failed (SQLITE_BUSY, SQLITE_IOERR, ...); 0
    // while none has.
    int errorCode() const { return lastError; }
    // Rows written by the last run, -1 when it failed.
    int numRowsAffected() const;
    // The row id the last successful run inserted; invalid after a failure or when none.
    QVariant lastInsertId() const;
    // Ends the current result, so that the statement holds nothing of the file any more.
    void finish();

private:
    friend class StatementCache;
    Statement(StatementCache* cache, StatementCacheEntry* entry, sqlite3_stmt* stmt,
              quint64 generation);
    void giveBack();
    bool bindAll();
    // Records a run that failed with code, and tells the statement log about it.
    void failed(int code);

    enum class State { Idle, RowRead, OnRow, Done, Failed };

    StatementCache* cache = nullptr;
    StatementCacheEntry* entry = nullptr; // the text's entry; none when the text is not kept
    sqlite3_stmt* stmt = nullptr;
    quint64 generation = 0;
    QVarLengthArray<QVariant, 8> values; // by parameter index, from 1
    State state = State::Idle;
    int lastError = 0;
};

class StatementCache {
public:
    static const int kDefaultCapacity = 96;

    explicit StatementCache(int capacity = kDefaultCapacity);
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The sqlite3 connection under an open QtSql SQLite connection; null for any other.
    static sqlite3* connectionOf(const QSqlDatabase& database);

    // The connection statements are prepared on; clear() before it closes.
    void attach(sqlite3* connection);
    sqlite3* connection() const { return db; }

    // A prepared statement for a text: the cache's own when it is free, otherwise a new one
    // (which the cache keeps afterwards when it has none for the text by then). A text that
    // does not prepare gives a statement that is false and is not kept.
    Statement statement(const char* text);
    Statement statement(const QString& text);

    // Finalises every statement kept and forgets the connection; statements borrowed at the
    // time are finalised when they come back.
    void clear();

    // Prepares, runs to its end and finalises one statement of a text on a connection, keeping
    // nothing; false when it does not prepare or run.
    static bool executeOnce(sqlite3* connection, const QString& text);

    // Statements out at the moment (borrowed and not given back yet), of any connection.
    int outstanding() const { return out; }

    // Statements kept, never more than capacity(); texts prepared so far (tests count them).
    int size() const { return int(entries.size()); }
    int capacity() const { return maxSize; }
    quint64 prepareCount() const { return prepared; }

private:
    friend class Statement;
    typedef StatementCacheEntry Entry;

    // A statement of a text whose entry (null when there is none yet) has been looked up;
    // address is where a fixed text lives, or null.
    Statement borrow(Entry* entry, const QByteArray& text, const char* address);
    void giveBack(Entry* entry, sqlite3_stmt* stmt, quint64 generation, bool healthy);
    // Makes room for one more entry by finalising the least recently used one that has no
    // statement out; false when there is none.
    bool makeRoom();

    // The entries live in a list, so that a statement out can point at its own. Texts find
    // them; fixed texts also by where they live, which spares hashing the text at every use.
    std::list<Entry> entries;
    QHash<QByteArray, Entry*> byText;
    QHash<const char*, Entry*> byAddress;
    sqlite3* db = nullptr;
    int maxSize;
    quint64 clock = 0;
    quint64 generation = 0;
    quint64 prepared = 0;
    int out = 0;
};

} // namespace VireoStudio

namespace orv {
// Binds a value in the form SqlValues gives it (bindable): NULL when not set, URLs as text,
// unsigned 64-bit numbers as signed ones.
void bind(VireoStudio::Statement& statement, const char* placeholder, const QVariant& value);
} // namespace orv
