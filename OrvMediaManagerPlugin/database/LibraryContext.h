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

    QSqlDatabase database;
    quint32 transactionDepth = 0;
    LibraryMutex mutex;
    QCache<int, qint64> playlistCountCache;
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

private:
    // Whether SQLite itself still has a transaction open on the connection.
    bool databaseInTransaction() const;
    // The connection's sqlite3 handle, null when it is not open.
    sqlite3* handle() const;
    // The open connection, with the statement cache and the rollback count attached to it.
    sqlite3* attachedConnection();
    static void countRollback(void* context);

    // Counted inside SQLite on whichever thread rolls back; the transaction operations take no
    // lock.
    std::atomic<quint64> rollbacks{0};
};

} // namespace VireoStudio
