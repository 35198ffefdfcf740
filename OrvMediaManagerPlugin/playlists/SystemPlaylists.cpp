// Keeping the system playlists in step with the library's nodes, and telling live playlists
// that a node they hold has changed.

#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"

#include <QSqlQuery>

namespace VireoStudio {

namespace {

const char kPlaylistsOfNode[] = "SELECT playlist_id FROM playlist_item WHERE node_id = :ID";
// The playlist of a type and the play order after its last item (0 when it is empty). The
// count of items would not do: a removal leaves a gap, and the count can then equal the order
// of an item that is already there.
const char kSystemPlaylist[] =
    "SELECT playlist.playlist_id AS id, coalesce(max(play_order) + 1, 0) AS items "
    "FROM playlist LEFT OUTER JOIN playlist_item "
    "   ON playlist.playlist_id = playlist_item.playlist_id "
    "WHERE playlist.playlist_type = :TYPE;";
const char kInsertItem[] = "INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                           "VALUES(:PID, :NID, :ORDER);";
const char kDeleteItem[] =
    "DELETE FROM playlist_item WHERE playlist_id = :PID   AND node_id = :NID";
const char kFindItem[] = "SELECT playlist_item_id  FROM playlist, playlist_item "
                         "WHERE playlist.playlist_id = :PID   AND node_id = :NID   AND "
                         "playlist.playlist_id = playlist_item.playlist_id";

} // namespace

void OrvMediaManagerPlugin::invalidatePlaylistsOfNode(quint64 nodeId) {
    QMutexLocker lock(&context->mutex);
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kPlaylistsOfNode)))
        return;
    orv::bind(query, QStringLiteral(":ID"), QVariant(nodeId));
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
                                                  const QList<int>& leave) {
    QMutexLocker lock(&context->mutex);
    beginTransaction();
    QSqlQuery playlistOfType = context->newQuery();
    QSqlQuery insert = context->newQuery();
    QSqlQuery remove = context->newQuery();
    QSqlQuery find = context->newQuery();
    if (!playlistOfType.prepare(QLatin1String(kSystemPlaylist)) ||
        !insert.prepare(QLatin1String(kInsertItem)) ||
        !remove.prepare(QLatin1String(kDeleteItem)) || !find.prepare(QLatin1String(kFindItem))) {
        rollbackTransaction();
        return false;
    }
    const QVariant node(nodeId);

    // The playlist of a type and whether it holds the node; false when either look-up fails.
    auto locate = [&](int type, QVariant* playlistId, QVariant* nextOrder, bool* present) {
        playlistOfType.bindValue(QStringLiteral(":TYPE"), type);
        if (!playlistOfType.exec() || !playlistOfType.next() ||
            playlistOfType.value(QStringLiteral("id")).isNull())
            return false;
        *playlistId = playlistOfType.value(QStringLiteral("id"));
        *nextOrder = playlistOfType.value(QStringLiteral("items"));
        playlistOfType.finish();
        find.bindValue(QStringLiteral(":PID"), *playlistId);
        orv::bind(find, QStringLiteral(":NID"), node);
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
        QVariant playlistId, nextOrder;
        bool present = false;
        if (!locate(type, &playlistId, &nextOrder, &present)) {
            rollbackTransaction();
            return false;
        }
        if (present)
            continue;
        insert.bindValue(QStringLiteral(":PID"), playlistId);
        orv::bind(insert, QStringLiteral(":NID"), node);
        insert.bindValue(QStringLiteral(":ORDER"), nextOrder);
        if (!insert.exec() || insert.numRowsAffected() != 1) {
            rollbackTransaction();
            return false;
        }
        invalidateLive(playlistId);
    }
    for (int type : leave) {
        QVariant playlistId, nextOrder;
        bool present = false;
        if (!locate(type, &playlistId, &nextOrder, &present)) {
            rollbackTransaction();
            return false;
        }
        if (!present)
            continue;
        remove.bindValue(QStringLiteral(":PID"), playlistId);
        orv::bind(remove, QStringLiteral(":NID"), node);
        if (!remove.exec() || remove.numRowsAffected() != 1) {
            rollbackTransaction();
            return false;
        }
        invalidateLive(playlistId);
    }
    commitTransaction();
    return true;
}

} // namespace VireoStudio
