#include "LibraryContext.h"

#include "PubSubHub.h"
#include "rows/Row.h"

#include <QMutexLocker>

namespace VireoStudio {

namespace {

const int kPlaylistCountCacheCost = 100;
const int kPlaylistCacheCost = 10;
const int kMediaFileCacheCost = 200;
const int kAcquiredFileCacheCost = 200;

// The change messages the host sees when stored rows go: the id as their payload.
const char kItemChanged[] = "Media.Item.Changed";
const char kListChanged[] = "Media.List.Changed";

void publish(const char* message, quint64 id) {
    PubSubHub::sendMessage(QLatin1String(message), QVariant::fromValue<quint64>(id));
}

} // namespace

LibraryContext::LibraryContext(int recentFileMaximum)
    : db(LibraryDatabase::kLibraryConnection), livePlaylists(kPlaylistCacheCost),
      liveMediaFiles(kMediaFileCacheCost), liveAcquiredFiles(kAcquiredFileCacheCost),
      liveRecentFiles(recentFileMaximum), playlistCountCache(kPlaylistCountCacheCost) {}

LibraryContext::~LibraryContext() {
    // Kept statements go before the connection can close.
    db.close();
    readAhead.clear();
    // Caches first, then the live maps: releasing a cached row may still reach the maps.
    livePlaylists.clearCache();
    liveMediaFiles.clearCache();
    liveAcquiredFiles.clearCache();
    liveRecentFiles.clearCache();
    livePlaylists.clearLive();
    liveMediaFiles.clearLive();
    liveAcquiredFiles.clearLive();
    liveRecentFiles.clearLive();
    transientDataMap.clear();
}

void LibraryContext::close() {
    // What was read ahead belongs to this connection's file.
    dropReadAhead();
    db.close();
    storedRows.clear();
    systemPlaylistIds.clear();
}

template <typename I, typename Detach>
void LibraryContext::forget(LiveRows<I>& rows, quint64 id, Detach detach) {
    QMutexLocker lock(&mutex());
    // Held until it is detached and out of the map, so that its last release (which may run
    // the release hook again) happens on a consistent map.
    const Ptr<I> held = rows.take(id);
    if (held)
        detach(held.get());
}

void LibraryContext::forgetMediaFile(quint64 id, bool notify) {
    QMutexLocker lock(&mutex());
    forget(liveMediaFiles, id, [](MediaFileInterface* row) {
        if (auto* video = dynamic_cast<Row<MediaManagerInterface::VideoFileInterface>*>(row))
            video->detach();
    });
    if (notify)
        publish(kItemChanged, id);
}

void LibraryContext::forgetAcquiredFile(quint64 id, bool notify) {
    QMutexLocker lock(&mutex());
    forget(liveAcquiredFiles, id, [](AcquiredFileInterface* row) {
        if (auto* acquired = dynamic_cast<Row<AcquiredFileInterface>*>(row))
            acquired->detach();
        else if (auto* queued = dynamic_cast<Row<MediaManagerInterface::QueuedFileInterface>*>(row))
            queued->detach();
    });
    if (notify)
        publish(kItemChanged, id);
}

void LibraryContext::forgetNode(quint64 id, bool notify) {
    forgetMediaFile(id, notify);
    forgetAcquiredFile(id, notify);
}

void LibraryContext::forgetRecentFile(quint64 id) {
    forget(liveRecentFiles, id, [](RecentFileInterface* row) {
        if (auto* recent = dynamic_cast<Row<RecentFileInterface>*>(row))
            recent->detach();
    });
}

void LibraryContext::forgetPlaylist(quint64 id, bool notify) {
    QMutexLocker lock(&mutex());
    forget(livePlaylists, id, [](PlaylistInterface* row) {
        if (auto* playlist = dynamic_cast<Row<PlaylistInterface>*>(row))
            playlist->detach();
    });
    if (notify)
        publish(kListChanged, id);
}

LibraryContext::Ptr<LibraryContext::MediaFileInterface>
LibraryContext::withdrawMediaFile(quint64 id) {
    return liveMediaFiles.withdraw(id);
}

LibraryContext::Ptr<LibraryContext::AcquiredFileInterface>
LibraryContext::withdrawAcquiredFile(quint64 id) {
    return liveAcquiredFiles.withdraw(id);
}

LibraryContext::Ptr<LibraryContext::RecentFileInterface>
LibraryContext::withdrawRecentFile(quint64 id) {
    return liveRecentFiles.withdraw(id);
}

LibraryContext::Ptr<LibraryContext::PlaylistInterface>
LibraryContext::withdrawPlaylist(quint64 id) {
    return livePlaylists.withdraw(id);
}

void LibraryContext::releaseHook(MediaFileInterface* row) {
    QMutexLocker lock(&mutex());
    if (row->isNew())
        return;
    const quint64 id = row->getId();
    // A row that a later save replaced in the map must not take its successor out. The maps
    // are asked before the type tests: a look-up settles most rows more cheaply than a cast.
    if (liveMediaFiles.isRegistered(id, row) &&
        dynamic_cast<MediaManagerInterface::VideoFileInterface*>(row))
        forgetMediaFile(id, false);
    if (liveAcquiredFiles.isRegistered(id, row) && dynamic_cast<AcquiredFileInterface*>(row))
        forgetAcquiredFile(id, false);
}

void LibraryContext::releaseHook(RecentFileInterface* row) {
    QMutexLocker lock(&mutex());
    if (!row->isNew() && liveRecentFiles.isRegistered(row->getId(), row))
        forgetRecentFile(row->getId());
}

void LibraryContext::releaseHook(PlaylistInterface* row) {
    QMutexLocker lock(&mutex());
    if (!row->isNew() && livePlaylists.isRegistered(row->getId(), row))
        forgetPlaylist(row->getId(), false);
}

LibraryContext::Ptr<QueuedFileTransientData> LibraryContext::transientData(quint64 id,
                                                                           bool create) {
    Ptr<QueuedFileTransientData> shared = transientDataMap.value(id);
    if (!shared && create) {
        shared = Ptr<QueuedFileTransientData>(new QueuedFileTransientData);
        transientDataMap.insert(id, shared);
    }
    return shared;
}

void LibraryContext::keepTransientData(quint64 id, const Ptr<QueuedFileTransientData>& data) {
    transientDataMap.insert(id, data);
}

void LibraryContext::forgetTransientData(quint64 id, const QueuedFileTransientData* only) {
    if (!only || transientDataMap.value(id).get() == only)
        transientDataMap.remove(id);
}

void LibraryContext::keepReadAhead(QHash<quint64, Ptr<MediaFileInterface>>& files,
                                   const ContentStamp& stamp) {
    readAhead.swap(files);
    readAheadStamp = stamp;
}

LibraryContext::Ptr<LibraryContext::MediaFileInterface>
LibraryContext::takeReadAhead(quint64 id, const ContentStamp& now, bool* fresh) {
    const auto found = readAhead.find(id);
    if (found == readAhead.end())
        return Ptr<MediaFileInterface>();
    const Ptr<MediaFileInterface> file = found.value();
    readAhead.erase(found);
    *fresh = (now.isSet() ? now : contentStamp()) == readAheadStamp;
    // The library has changed since: nothing read ahead holds any more.
    if (!*fresh)
        dropReadAhead();
    return file;
}

void LibraryContext::dropReadAhead() {
    // Swapped out first: the files go after the map is consistent again.
    QHash<quint64, Ptr<MediaFileInterface>> dropped;
    dropped.swap(readAhead);
    readAheadStamp = ContentStamp();
}

void LibraryContext::rememberPlaylistCount(int type, qint64 count) {
    playlistCountCache.insert(type, new qint64(count), 1);
}

bool LibraryContext::knownSystemPlaylist(int type, quint64* id) const {
    const auto known = systemPlaylistIds.constFind(type);
    if (known == systemPlaylistIds.constEnd())
        return false;
    *id = known.value();
    return true;
}

void LibraryContext::forgetPlaylistCounts() {
    playlistCountCache.clear();
    systemPlaylistIds.clear();
}

void LibraryContext::noteStoredRow(RowKind kind, quint64 id, bool idGiven) {
    // Once SQLite has ended the transaction by itself, each statement commits on its own: a
    // row stored then stays, whatever becomes of the nest.
    if (!db.inTransaction() || !db.databaseInTransaction())
        return;
    if (storedRows.isEmpty())
        storedRowsRollbacks = db.rollbackCount();
    storedRows.append(StoredRow{kind, idGiven, id});
}

void LibraryContext::committed() {
    storedRows.clear();
}

QVector<LibraryContext::StoredRow> LibraryContext::settleRollback() {
    settledRollbacks = db.rollbackCount();
    QVector<StoredRow> undone;
    if (!storedRows.isEmpty() && storedRowsRollbacks != settledRollbacks)
        undone.swap(storedRows);
    return undone;
}

} // namespace VireoStudio
