#pragma once

// The plugin's one database record: the connection, the transaction nest, the lock every
// library operation takes, and the maps and caches that keep one object per stored row.

#include "ContentStamp.h"
#include "LibraryMutex.h"
#include "MediaManagerInterface.h"
#include "RowCache.h"
#include "StatementCache.h"

#include <QCache>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>

#include <atomic>

namespace VireoStudio {

class QueuedFileTransientData;

class LibraryContext {
public:
    typedef MediaManagerInterface::PlaylistInterface PlaylistInterface;
    typedef MediaManagerInterface::MediaFileInterface MediaFileInterface;
    typedef MediaManagerInterface::AcquiredFileInterface AcquiredFileInterface;
    typedef MediaManagerInterface::RecentFileInterface RecentFileInterface;
    template <typename T> using Ptr = vtl::RefCountedPtr_STLSafe<T>;

    static const char* const kConnectionName;
    static const char* const kConnectOptions;

    LibraryContext();
    ~LibraryContext();
    LibraryContext(const LibraryContext&) = delete;
    LibraryContext& operator=(const LibraryContext&) = delete;

    bool isOpen() const;
    // Closes and unregisters the connection when it is open; always resets the nest.
    bool close();
    // A forward-only query on the connection, prepared by the caller.
    QSqlQuery newQuery() const;
    // The statement of a fixed text, prepared on first use and kept for the next (false when
    // the connection is not open or the text does not prepare). Callers hold the lock.
    Statement statement(const char* text);
    Statement statement(const QString& text);

    // The content stamp now. Outside a transaction that has read the file, a statement runs
    // first, so that a commit by another connection since the last read shows in it. Unset when
    // the connection is not open.
    ContentStamp contentStamp();

    // The transaction nest: only the outermost level reaches the database, and a rollback at
    // any level undoes the whole nest.
    bool beginTransaction();
    bool rollbackTransaction();
    bool commitTransaction();

    // Rows that a store gave their id (or a new detail row) inside a transaction that has not
    // been committed yet. A rollback takes those rows back out of the file, and SQLite gives
    // their ids out again: the objects must then stop answering for them.
    enum class RowKind : quint8 { MediaFile, AcquiredFile, RecentFile, Playlist };
    struct StoredRow {
        RowKind kind;
        bool idGiven; // the id itself came from this store (false: only a detail row did)
        quint64 id;
    };
    // Records a row that a store has just registered, when SQLite has a transaction open that
    // a later rollback could undo; a store that committed by itself records nothing.
    void noteStoredRow(RowKind kind, quint64 id, bool idGiven);
    // Whether the connection has rolled back since the last settleRollback.
    bool rolledBackSinceSettled() const {
        return rollbacks.load(std::memory_order_relaxed) != settledRollbacks;
    }
    // The rows a rollback since the last call undid (empty when none did), taken out of the
    // record; the caller detaches them. Marks every rollback so far as settled.
    QVector<StoredRow> settleRollback();

    QSqlDatabase database;
    quint32 transactionDepth = 0;
    LibraryMutex mutex;
    QCache<int, qint64> playlistCountCache;
    // The id of the system playlist of each type looked up so far. They are made at start-up
    // and never change while the library is open, but for a delete of the playlist (which
    // clears this) or a rollback.
    QHash<int, quint64> systemPlaylistIds;
    QHash<quint64, Ptr<QueuedFileTransientData>> transientDataMap;
    QHash<quint64, Ptr<PlaylistInterface>> livePlaylists;
    QHash<quint64, Ptr<MediaFileInterface>> liveMediaFiles;
    QHash<quint64, Ptr<AcquiredFileInterface>> liveAcquiredFiles;
    QHash<quint64, Ptr<RecentFileInterface>> liveRecentFiles;
    RowCache<quint64, Ptr<PlaylistInterface>> playlistCache;
    RowCache<quint64, Ptr<MediaFileInterface>> mediaFileCache;
    RowCache<quint64, Ptr<AcquiredFileInterface>> acquiredFileCache;
    RowCache<quint64, Ptr<RecentFileInterface>> recentFileCache;
    StatementCache statements;
    // Media files read ahead of a host walking a playlist (OrvMediaManagerPlugin::
    // preloadMediaFiles): objects nobody holds or has seen yet, by id, as the file held them
    // when the content stamp was preloadStamp. Never more than one read-ahead of them.
    QHash<quint64, Ptr<MediaFileInterface>> preloadedMediaFiles;
    ContentStamp preloadStamp;

    // Registers a row as the live object of its id and keeps it among the recently used ones.
    // The row is held for the whole registration: a row nobody else holds yet would otherwise
    // go through its release hook, and be destroyed, half-way.
    template <typename I>
    static void registerRow(QHash<quint64, Ptr<I>>& live, RowCache<quint64, Ptr<I>>& cache,
                            quint64 id, I* row) {
        const Ptr<I> held(row);
        live.insert(id, held);
        cache.insert(id, held);
    }

    // Hands out the live object of an id, with a reference for the receiver; false when the id
    // has none. A live id is answered without a statement.
    template <typename I, typename Out>
    static bool handOutLive(const QHash<quint64, Ptr<I>>& live, quint64 id, Out** out) {
        const auto found = live.constFind(id);
        if (found == live.constEnd())
            return false;
        if (out) {
            *out = found.value().get();
            (*out)->addRef();
        }
        return true;
    }

    // Whether SQLite itself still has a transaction open on the connection (true when that
    // cannot be told).
    bool databaseInTransaction() const;

private:
    // The connection's sqlite3 handle, null when it is not open.
    sqlite3* handle() const;
    // The open connection, with the statement cache and the rollback count attached to it.
    sqlite3* attachedConnection();
    static void countRollback(void* context);

    // Counted inside SQLite on whichever thread rolls back; the transaction operations take no
    // lock.
    std::atomic<quint64> rollbacks{0};
    quint64 settledRollbacks = 0;
    // Rows stored inside the open transaction (see noteStoredRow), with the rollback count
    // when the first of them was noted: a rollback after that undid them all.
    QVector<StoredRow> storedRows;
    quint64 storedRowsRollbacks = 0;
};

} // namespace VireoStudio
