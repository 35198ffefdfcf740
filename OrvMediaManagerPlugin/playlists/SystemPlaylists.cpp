// Keeping the system playlists in step with the library's nodes, and telling live playlists
// that a node they hold has changed.

#include "playlists/PlayOrder.h"
#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"

namespace VireoStudio {

namespace {

const char kPlaylistsOfNode[] = "SELECT playlist_id FROM playlist_item WHERE node_id = :ID";
// The playlist of a type; over several playlists of the type (which a library should not have)
// the first one stored.
const char kSystemPlaylist[] =
    "SELECT playlist_id FROM playlist WHERE playlist_type = :TYPE ORDER BY playlist_id LIMIT 1";
const char kInsertItem[] = "INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                           "VALUES(:PID, :NID, :ORDER);";
// A node's items are found through the node_id index; the unary + keeps the planner from
// walking the playlist's items in the (playlist_id, play_order) index instead.
const char kDeleteItem[] =
    "DELETE FROM playlist_item WHERE +playlist_id = :PID   AND node_id = :NID";
const char kFindItem[] = "SELECT playlist_item_id  FROM playlist, playlist_item "
                         "WHERE playlist.playlist_id = :PID   AND node_id = :NID   AND "
                         "playlist.playlist_id = +playlist_item.playlist_id";

} // namespace

void OrvMediaManagerPlugin::invalidatePlaylistsOfNode(quint64 nodeId) {
    QMutexLocker lock(&context->mutex);
    // Only live playlists have anything to forget.
    if (context->livePlaylists.isEmpty())
        return;
    Statement query = context->statement(kPlaylistsOfNode);
    if (!query)
        return;
    orv::bind(query, ":ID", QVariant(nodeId));
    if (!query.exec())
        return;
    while (query.next()) {
        const auto live = context->livePlaylists.constFind(orv::toUInt64(query.value(0)));
        if (live == context->livePlaylists.constEnd())
            continue;
        if (auto* playlist = dynamic_cast<Playlist*>(live.value().get()))
            playlist->invalidateItems();
    }
}

bool OrvMediaManagerPlugin::updateSystemPlaylists(quint64 nodeId, const QList<int>& join,
                                                  const QList<int>& leave, bool newNode) {
    QMutexLocker lock(&context->mutex);
    beginTransaction();
    Statement nextOrder = context->statement(PlayOrder::kNextOrder);
    Statement insert = context->statement(kInsertItem);
    Statement remove = context->statement(kDeleteItem);
    Statement find = context->statement(kFindItem);
    if (!nextOrder || !insert || !remove || !find) {
        rollbackTransaction();
        return false;
    }
    const QVariant node(nodeId);

    // The playlist of a type and whether it holds the node; false when either look-up fails.
    auto locate = [&](int type, QVariant* playlistId, bool* present) {
        const auto known = context->systemPlaylistIds.constFind(type);
        if (known != context->systemPlaylistIds.constEnd()) {
            *playlistId = QVariant(known.value());
        } else {
            Statement playlistOfType = context->statement(kSystemPlaylist);
            if (!playlistOfType)
                return false;
            playlistOfType.bindValue(":TYPE", type);
            if (!playlistOfType.exec() || !playlistOfType.next() ||
                playlistOfType.value(0).isNull())
                return false;
            *playlistId = playlistOfType.value(0);
            context->systemPlaylistIds.insert(type, orv::toUInt64(*playlistId));
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
    auto invalidateLive = [&](const QVariant& playlistId) {
        const auto live = context->livePlaylists.constFind(orv::toUInt64(playlistId));
        if (live == context->livePlaylists.constEnd())
            return;
        if (auto* playlist = dynamic_cast<Playlist*>(live.value().get()))
            playlist->invalidateItems();
    };

    for (int type : join) {
        QVariant playlistId;
        bool present = false;
        if (!locate(type, &playlistId, &present)) {
            rollbackTransaction();
            return false;
        }
        if (present)
            continue;
        qint64 order = 0;
        if (!PlayOrder::readNextOrder(nextOrder, playlistId, &order)) {
            rollbackTransaction();
            return false;
        }
        orv::bind(insert, ":PID", playlistId);
        orv::bind(insert, ":NID", node);
        insert.bindValue(":ORDER", order);
        if (!insert.exec() || insert.numRowsAffected() != 1) {
            rollbackTransaction();
            return false;
        }
        invalidateLive(playlistId);
    }
    for (int type : leave) {
        QVariant playlistId;
        bool present = false;
        if (!locate(type, &playlistId, &present)) {
            rollbackTransaction();
            return false;
        }
        if (!present)
            continue;
        orv::bind(remove, ":PID", playlistId);
        orv::bind(remove, ":NID", node);
        if (!remove.exec() || remove.numRowsAffected() != 1) {
            rollbackTransaction();
            return false;
        }
        invalidateLive(playlistId);
    }
    if (!commitTransaction()) {
        rollbackTransaction();
        return false;
    }
    return true;
}

} // namespace VireoStudio
