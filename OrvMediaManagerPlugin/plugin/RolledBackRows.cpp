// What a rollback leaves behind in memory. Rows stored inside the transaction are gone from the
// file, and SQLite gives their ids to the next rows stored; counts and items read since no
// longer hold. The objects that were given those ids go back to being new, so that a later
// save stores them as new rows instead of writing over another row that now has the id.

#include "OrvMediaManagerPlugin.h"

#include "database/LibraryContext.h"
#include "playlists/Playlist.h"
#include "recent/RecentFile.h"
#include "rows/AcquiredFile.h"
#include "rows/QueuedFile.h"
#include "rows/VideoFile.h"

#include <QMutexLocker>

namespace VireoStudio {

namespace {

typedef LibraryContext::RowKind RowKind;

// A node row object whose id a rolled-back insert gave it: no id and no create date, as
// before its first store.
template <typename T> void unstoreNode(T* row) {
    row->id = QVariant();
    row->clearCreateDate();
}

// Takes the object of id out of its live map and cache. With idGiven it goes back to being
// new; otherwise (only a detail row of a node that stays was undone) it keeps its id, and the
// next look-up reads what the file holds.
template <typename I, typename Unstore>
void leaveLiveMaps(QHash<quint64, LibraryContext::Ptr<I>>& live,
                   RowCache<quint64, LibraryContext::Ptr<I>>& cache, quint64 id, bool idGiven,
                   Unstore unstore) {
    const auto found = live.constFind(id);
    if (found == live.constEnd())
        return;
    // Held until it is out of both: the releases below may run its release hook, which must
    // find the maps consistent (and, once the id is cleared, leaves the row alone).
    const LibraryContext::Ptr<I> held = found.value();
    if (idGiven)
        unstore(held.get());
    live.remove(id);
    cache.remove(id);
}

} // namespace

void OrvMediaManagerPlugin::settleRollback() {
    QMutexLocker lock(&context->mutex);
    if (!context->rolledBackSinceSettled())
        return;
    const QVector<LibraryContext::StoredRow> undone = context->settleRollback();

    // Counts and items read inside the transaction may count rows that are gone now.
    context->playlistCountCache.clear();
    context->systemPlaylistIds.clear();
    QHash<quint64, LibraryContext::Ptr<MediaFileInterface>> preloaded;
    preloaded.swap(context->preloadedMediaFiles);
    for (const auto& live : std::as_const(context->livePlaylists)) {
        if (auto* playlist = dynamic_cast<Playlist*>(live.get()))
            playlist->invalidateItems();
    }

    for (const LibraryContext::StoredRow& row : undone) {
        switch (row.kind) {
        case RowKind::MediaFile:
            leaveLiveMaps(context->liveMediaFiles, context->mediaFileCache, row.id, row.idGiven,
                          [](MediaFileInterface* file) {
                              if (auto* video = dynamic_cast<VideoFile*>(file))
                                  unstoreNode(video);
                          });
            break;
        case RowKind::AcquiredFile:
            if (row.idGiven)
                context->transientDataMap.remove(row.id);
            leaveLiveMaps(context->liveAcquiredFiles, context->acquiredFileCache, row.id,
                          row.idGiven, [](AcquiredFileInterface* file) {
                              if (auto* acquired = dynamic_cast<AcquiredFile*>(file))
                                  unstoreNode(acquired);
                              else if (auto* queued = dynamic_cast<QueuedFile*>(file))
                                  unstoreNode(queued);
                          });
            break;
        case RowKind::RecentFile:
            leaveLiveMaps(context->liveRecentFiles, context->recentFileCache, row.id, row.idGiven,
                          [](RecentFileInterface* file) {
                              if (auto* recent = dynamic_cast<RecentFile*>(file))
                                  recent->id = QVariant();
                          });
            break;
        case RowKind::Playlist:
            leaveLiveMaps(context->livePlaylists, context->playlistCache, row.id, row.idGiven,
                          [](PlaylistInterface* playlist) {
                              if (auto* own = dynamic_cast<Playlist*>(playlist))
                                  own->id = QVariant();
                          });
            break;
        }
    }
}

} // namespace VireoStudio
