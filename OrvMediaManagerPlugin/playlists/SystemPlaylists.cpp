#include "playlists/SystemPlaylists.h"

#include "playlists/Playlist.h"
#include "playlists/PlaylistStatements.h"

namespace VireoStudio {

using namespace PlaylistStatements;

void SystemPlaylists::invalidatePlaylist(LibraryContext& context, quint64 playlistId) {
    if (auto* playlist = dynamic_cast<Playlist*>(context.livePlaylist(playlistId)))
        playlist->invalidateItems();
}

void SystemPlaylists::invalidateAll(LibraryContext& context) {
    context.forEachLivePlaylist([](MediaManagerInterface::PlaylistInterface* live) {
        if (auto* playlist = dynamic_cast<Playlist*>(live))
            playlist->invalidateItems();
    });
}

void SystemPlaylists::invalidatePlaylistsOfNode(LibraryContext& context, quint64 nodeId) {
    QMutexLocker lock(&context.mutex());
    // Only live playlists have anything to forget.
    if (!context.hasLivePlaylists())
        return;
    Statement query = context.statement(kPlaylistsOfNode);
    if (!query)
        return;
    orv::bind(query, ":ID", QVariant(nodeId));
    if (!query.exec())
        return;
    while (query.next())
        invalidatePlaylist(context, orv::toUInt64(query.value(0)));
}

bool SystemPlaylists::update(RowOwner& owner, quint64 nodeId, const QList<int>& join,
                             const QList<int>& leave, bool newNode) {
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    QMutexLocker lock(&context.mutex());
    library.beginTransaction();
    Statement nextOrder = context.statement(kNextOrder);
    Statement insert = context.statement(kInsertItem);
    Statement remove = context.statement(kDeleteNodeItems);
    Statement find = context.statement(kItemOfNode);
    if (!nextOrder || !insert || !remove || !find) {
        library.rollbackTransaction();
        return false;
    }
    const QVariant node(nodeId);

    // The playlist of a type and whether it holds the node; false when either look-up fails.
    // The system playlists do not change while the library is open: each is looked up once.
    auto locate = [&](int type, QVariant* playlistId, bool* present) {
        quint64 known = 0;
        if (context.knownSystemPlaylist(type, &known)) {
            *playlistId = QVariant(known);
        } else {
            Statement ofType = context.statement(kPlaylistOfType);
            if (!ofType)
                return false;
            ofType.bindValue(":TYPE", type);
            if (!ofType.exec() || !ofType.next() || ofType.value(0).isNull())
                return false;
            *playlistId = ofType.value(0);
            context.rememberSystemPlaylist(type, orv::toUInt64(*playlistId));
        }
        if (newNode) {
            *present = false;
            return true;
        }
        orv::bind(find, ":PID", *playlistId);
        orv::bind(find, ":NID", node);
        if (!find.exec())
            return false;
        *present = find.next();
        find.finish();
        return true;
    };

    for (int type : join) {
        QVariant playlistId;
        bool present = false;
        qint64 order = 0;
        if (!locate(type, &playlistId, &present) ||
            (!present && !readNextOrder(nextOrder, playlistId, &order))) {
            library.rollbackTransaction();
            return false;
        }
        if (present)
            continue;
        orv::bind(insert, ":PID", playlistId);
        orv::bind(insert, ":NID", node);
        insert.bindValue(":ORDER", order);
        if (!insert.exec() || insert.numRowsAffected() != 1) {
            library.rollbackTransaction();
            return false;
        }
        invalidatePlaylist(context, orv::toUInt64(playlistId));
    }
    for (int type : leave) {
        QVariant playlistId;
        bool present = false;
        if (!locate(type, &playlistId, &present)) {
            library.rollbackTransaction();
            return false;
        }
        if (!present)
            continue;
        orv::bind(remove, ":PID", playlistId);
        orv::bind(remove, ":NID", node);
        if (!remove.exec() || remove.numRowsAffected() != 1) {
            library.rollbackTransaction();
            return false;
        }
        invalidatePlaylist(context, orv::toUInt64(playlistId));
    }
    if (!library.commitTransaction()) {
        library.rollbackTransaction();
        return false;
    }
    return true;
}

} // namespace VireoStudio
