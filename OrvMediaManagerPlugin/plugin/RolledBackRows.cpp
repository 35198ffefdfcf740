// What a rollback leaves behind in memory. Rows stored inside the transaction are gone from the
// file, and SQLite gives their ids to the next rows stored; counts and items read since no
// longer hold. The objects that were given those ids go back to being new, so that a later
// save stores them as new rows instead of writing over another row that now has the id.

#include "OrvMediaManagerPlugin.h"

#include "playlists/Playlist.h"
#include "playlists/SystemPlaylists.h"
#include "recent/RecentFile.h"
#include "rows/AcquiredFile.h"
#include "rows/QueuedFile.h"
#include "rows/VideoFile.h"

namespace VireoStudio {

namespace {

typedef LibraryContext::RowKind RowKind;

// A node row object whose id a rolled-back insert gave it: no id and no create date, as
// before its first store.
template <typename T> void unstoreNode(T* row) {
    row->id = QVariant();
    row->clearCreateDate();
}

} // namespace

void OrvMediaManagerPlugin::settleRollback() {
    LibraryContext& context = *record;
    QMutexLocker lock(&context.mutex());
    if (!context.rolledBackSinceSettled())
        return;
    const QVector<LibraryContext::StoredRow> undone = context.settleRollback();

    // Counts and items read inside the transaction may count rows that are gone now.
    context.forgetPlaylistCounts();
    context.dropReadAhead();
    SystemPlaylists::invalidateAll(context);

    // Each row leaves its live map and cache; one whose id the rollback gave back becomes new
    // again, one that only lost a new detail row keeps its id, and the next look-up reads what
    // the file holds. Each is held until it is out of both: the releases may run its release
    // hook, which must find the maps consistent (and leaves a row without an id alone).
    for (const LibraryContext::StoredRow& row : undone) {
        switch (row.kind) {
        case RowKind::MediaFile: {
            const auto held = context.withdrawMediaFile(row.id);
            if (auto* video = dynamic_cast<VideoFile*>(held.get()); video && row.idGiven)
                unstoreNode(video);
            break;
        }
        case RowKind::AcquiredFile: {
            if (row.idGiven)
                context.forgetTransientData(row.id);
            const auto held = context.withdrawAcquiredFile(row.id);
            if (!row.idGiven)
                break;
            if (auto* acquired = dynamic_cast<AcquiredFile*>(held.get()))
                unstoreNode(acquired);
            else if (auto* queued = dynamic_cast<QueuedFile*>(held.get()))
                unstoreNode(queued);
            break;
        }
        case RowKind::RecentFile: {
            const auto held = context.withdrawRecentFile(row.id);
            if (auto* recent = dynamic_cast<RecentFile*>(held.get()))
                recent->id = QVariant();
            break;
        }
        case RowKind::Playlist: {
            const auto held = context.withdrawPlaylist(row.id);
            if (auto* playlist = dynamic_cast<Playlist*>(held.get()))
                playlist->id = QVariant();
            break;
        }
        }
    }
}

} // namespace VireoStudio
