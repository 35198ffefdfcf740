#pragma once

// The one door to SQLite: a connection, the statements run on it (prepared once and kept, see
// StatementCache), its transaction nest, its content stamp and the lock that serialises
// everything done on it. The library's own file has one of these; an import opens a second
// one on the older release's database, read only.

#include "ContentStamp.h"
#include "LibraryMutex.h"
#include "StatementCache.h"

#include <QSqlDatabase>
#include <QString>

#include <atomic>

namespace VireoStudio {

class LibraryDatabase {
public:
    // The name under which QtSql knows the library's own connection.
    static const char kLibraryConnection[];

    // A connection registered with QtSql under name; nothing is opened yet.
    explicit LibraryDatabase(const char* name);
    ~LibraryDatabase();
    LibraryDatabase(const LibraryDatabase&) = delete;
    LibraryDatabase& operator=(const LibraryDatabase&) = delete;

    // Opens the file at path (read only when asked); waits up to two minutes for a lock that
    // another connection holds. False when it does not open.
    bool open(const QString& path, bool readOnly = false);
    bool isOpen() const;
    // Closes the connection when it is open; always resets the nest. The connection counts as
    // closed at once; SQLite lets it go once every statement out on it is back (an operation
    // that the close interrupted gives its statements back when it ends).
    void close();
    // Why the last open failed: SQLite's result code, 0 when it did not fail.
    int openError() const { return lastOpenError; }

    // The statement of a fixed text, prepared on first use and kept for the next; false when
    // the connection is not open or the text does not prepare. Callers hold the lock.
    Statement statement(const char* text);
    // The same for a text built at run time (a sort's ORDER BY, from a fixed table of columns).
    Statement statement(const QString& text);
    // Runs one statement of a text once, without keeping it (a piece of the schema script, a
    // setting of the connection); false when it does not prepare or run.
    bool execute(const QString& text);

    // The content stamp now. Outside a transaction that has read the file, a statement runs
    // first, so that a commit by another connection since the last read shows in it. Unset when
    // the connection is not open.
    ContentStamp contentStamp();

    // The transaction nest: only the outermost level reaches the database, and a rollback at
    // any level undoes the whole nest.
    bool beginTransaction();
    bool rollbackTransaction();
    bool commitTransaction();
    // Whether a nest is open (at any depth).
    bool inTransaction() const { return transactionDepth > 0; }
    // Whether SQLite itself has a transaction open on the connection (true when that cannot be
    // told). After a statement that failed, false means SQLite has rolled back by itself.
    bool databaseInTransaction() const;
    // Rollbacks so far, counted inside SQLite (explicit ones and those it made by itself).
    quint64 rollbackCount() const { return rollbacks.load(std::memory_order_relaxed); }

    LibraryMutex& mutex() { return lock; }

private:
    // The open connection, with the statement cache and the rollback count attached to it;
    // null when it is not open.
    sqlite3* attachedConnection();
    sqlite3* handle() const;
    // Closes the QtSql connection of a close that waited for statements, once none is out.
    void finishClosing();
    static void countRollback(void* context);

    QString name;
    QSqlDatabase connection;
    StatementCache statements;
    quint32 transactionDepth = 0;
    int lastOpenError = 0;
    bool closing = false;
    LibraryMutex lock;
    // Counted inside SQLite on whichever thread rolls back; the transaction operations take no
    // lock.
    std::atomic<quint64> rollbacks{0};
};

} // namespace VireoStudio
