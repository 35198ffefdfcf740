#pragma once

// The plugin's one record of its library: the connection to the library file (with its lock,
// under which everything here is used), the live row objects of every kind with the caches
// that keep the recently used ones alive, and what the library remembers between operations
// (playlist counts, system playlist ids, the transient state of downloads, files read ahead of
// a host walking a playlist, and the rows stored inside an open transaction).

#include "MediaManagerInterface.h"
#include "database/LibraryDatabase.h"
#include "rows/LiveRows.h"
#include "rows/QueuedFileTransientData.h"

#include <QCache>
#include <QHash>
#include <QList>
#include <QVector>

namespace VireoStudio {

class LibraryContext {
public:
    typedef MediaManagerInterface::PlaylistInterface PlaylistInterface;
    typedef MediaManagerInterface::MediaFileInterface MediaFileInterface;
    typedef MediaManagerInterface::AcquiredFileInterface AcquiredFileInterface;
    typedef MediaManagerInterface::RecentFileInterface RecentFileInterface;
    template <typename T> using Ptr = vtl::RefCountedPtr_STLSafe<T>;

    // recentFileMaximum: how many recent entries the recent-file cache keeps alive.
    explicit LibraryContext(int recentFileMaximum);
    ~LibraryContext();
    LibraryContext(const LibraryContext&) = delete;
    LibraryContext& operator=(const LibraryContext&) = delete;

    // The connection, and shorthands for what every operation asks of it.
    LibraryDatabase& database() { return db; }
    bool isOpen() const { return db.isOpen(); }
    LibraryMutex& mutex() { return db.mutex(); }
    Statement statement(const char* text) { return db.statement(text); }
    Statement statement(const QString& text) { return db.statement(text); }
    ContentStamp contentStamp() { return db.contentStamp(); }
    // Closes the connection; what was read ahead of it and the rows stored in its open
    // transaction go with it.
    void close();

    // Live objects by kind: register a row under its id, hand the live object of an id out
    // (false when there is none; no statement runs), tell whether an id has one, and forget an
    // id (its object is detached and, with notify, the change is published on the host's hub:
    // "Media.Item.Changed" for files, "Media.List.Changed" for playlists).
    void registerMediaFile(quint64 id, MediaFileInterface* row) { liveMediaFiles.add(id, row); }
    template <typename Out> bool handOutMediaFile(quint64 id, Out** out) const {
        return liveMediaFiles.handOut(id, out);
    }
    bool hasLiveMediaFile(quint64 id) const { return liveMediaFiles.contains(id); }
    void forgetMediaFile(quint64 id, bool notify);

    void registerAcquiredFile(quint64 id, AcquiredFileInterface* row) {
        liveAcquiredFiles.add(id, row);
    }
    template <typename Out> bool handOutAcquiredFile(quint64 id, Out** out) const {
        return liveAcquiredFiles.handOut(id, out);
    }
    // The live acquired or queued object of an id, without a reference; null when none.
    AcquiredFileInterface* liveAcquiredFile(quint64 id) const { return liveAcquiredFiles.find(id); }
    void forgetAcquiredFile(quint64 id, bool notify);
    // Both of the above for a node.
    void forgetNode(quint64 id, bool notify);

    void registerRecentFile(quint64 id, RecentFileInterface* row) { liveRecentFiles.add(id, row); }
    template <typename Out> bool handOutRecentFile(quint64 id, Out** out) const {
        return liveRecentFiles.handOut(id, out);
    }
    void forgetRecentFile(quint64 id);

    void registerPlaylist(quint64 id, PlaylistInterface* row) { livePlaylists.add(id, row); }
    template <typename Out> bool handOutPlaylist(quint64 id, Out** out) const {
        return livePlaylists.handOut(id, out);
    }
    PlaylistInterface* livePlaylist(quint64 id) const { return livePlaylists.find(id); }
    bool hasLivePlaylists() const { return !livePlaylists.isEmpty(); }
    template <typename F> void forEachLivePlaylist(F visit) const {
        livePlaylists.forEachLive(visit);
    }
    void forgetPlaylist(quint64 id, bool notify);

    // Takes an id out of its live objects and cache, without detaching the object, which comes
    // back held: after a rollback, for a row that no longer has the id.
    Ptr<MediaFileInterface> withdrawMediaFile(quint64 id);
    Ptr<AcquiredFileInterface> withdrawAcquiredFile(quint64 id);
    Ptr<RecentFileInterface> withdrawRecentFile(quint64 id);
    Ptr<PlaylistInterface> withdrawPlaylist(quint64 id);

    // Called by a row whose count is about to fall from 2: when the other reference is the
    // live map's own, the row leaves the map silently and goes with that last release.
    void releaseHook(MediaFileInterface* row);
    void releaseHook(RecentFileInterface* row);
    void releaseHook(PlaylistInterface* row);

    // The in-memory download state of a queued node, shared by every object built for it; made
    // (and kept) when create is set and the node has none yet.
    Ptr<QueuedFileTransientData> transientData(quint64 id, bool create);
    void keepTransientData(quint64 id, const Ptr<QueuedFileTransientData>& data);
    // Forgets the state of a node; with only set, only when it is that state.
    void forgetTransientData(quint64 id, const QueuedFileTransientData* only = nullptr);

    // Video files read ahead of a host walking a playlist: objects nobody holds or has seen
    // yet, by id, as the file held them when the content stamp was stamp. Never more than one
    // read-ahead of them.
    void keepReadAhead(QHash<quint64, Ptr<MediaFileInterface>>& files, const ContentStamp& stamp);
    // Takes the file read ahead for an id out; fresh tells whether nothing changed since it was
    // read (otherwise everything read ahead is dropped), judged by the stamp now, or by the
    // stamp of this moment when now is unset. Null when none was read.
    Ptr<MediaFileInterface> takeReadAhead(quint64 id, const ContentStamp& now, bool* fresh);
    void dropReadAhead();

    // The number of playlists of a type as last counted (null when not known), and the system
    // playlist of a type as last looked up. Both hold until a playlist is stored or deleted.
    const qint64* knownPlaylistCount(int type) { return playlistCountCache.object(type); }
    void rememberPlaylistCount(int type, qint64 count);
    bool knownSystemPlaylist(int type, quint64* id) const;
    void rememberSystemPlaylist(int type, quint64 id) { systemPlaylistIds.insert(type, id); }
    void forgetPlaylistCounts();

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
    // Forgets the record once the nest is committed.
    void committed();
    // Whether the connection has rolled back since the last settleRollback.
    bool rolledBackSinceSettled() const { return db.rollbackCount() != settledRollbacks; }
    // The rows a rollback since the last call undid (empty when none did), taken out of the
    // record; the caller makes them new again. Marks every rollback so far as settled.
    QVector<StoredRow> settleRollback();

private:
    template <typename I, typename Detach>
    void forget(LiveRows<I>& rows, quint64 id, Detach detach);

    LibraryDatabase db;
    // Each with its cache: playlistCache 10, mediaFileCache 200, acquiredFileCache 200,
    // recentFileCache the recent-file maximum.
    LiveRows<PlaylistInterface> livePlaylists;
    LiveRows<MediaFileInterface> liveMediaFiles;
    LiveRows<AcquiredFileInterface> liveAcquiredFiles;
    LiveRows<RecentFileInterface> liveRecentFiles;
    QHash<quint64, Ptr<QueuedFileTransientData>> transientDataMap;
    QCache<int, qint64> playlistCountCache;
    QHash<int, quint64> systemPlaylistIds;
    QHash<quint64, Ptr<MediaFileInterface>> readAhead;
    ContentStamp readAheadStamp;
    quint64 settledRollbacks = 0;
    // Rows stored inside the open transaction (see noteStoredRow), with the rollback count
    // when the first of them was noted: a rollback after that undid them all.
    QVector<StoredRow> storedRows;
    quint64 storedRowsRollbacks = 0;
};

} // namespace VireoStudio
