#include "PlaylistStatements.h"

#include "database/SqlValues.h"

namespace VireoStudio {
namespace PlaylistStatements {

const char kCountOfType[] = "SELECT count(playlist_id) FROM playlist WHERE playlist_type = :TYPE";
const char kIdOfTypeAt[] = "SELECT playlist_id, name FROM playlist WHERE playlist_type = :TYPE "
                           "ORDER BY name LIMIT 1 OFFSET :INDEX";
// Over several playlists of a system type (which a library should not have) the first stored.
const char kPlaylistOfType[] =
    "SELECT playlist_id FROM playlist WHERE playlist_type = :TYPE ORDER BY playlist_id LIMIT 1";
const char kSelectById[] = "SELECT playlist_id, name, playlist_type, media_file_type, sort_flags "
                           "FROM playlist WHERE playlist_id = :ID";
const char kSelectByName[] = "SELECT playlist_id, name, playlist_type, media_file_type, "
                             "sort_flags FROM playlist WHERE name = :NAME";
const char kIdOfName[] = "SELECT playlist_id FROM playlist WHERE name = :NAME";
const char kIdOfNameOtherThan[] =
    "SELECT playlist_id FROM playlist WHERE name = :NAME AND playlist_id != :ID";
const char kCountNamedBefore[] =
    "SELECT count(playlist_id) FROM playlist WHERE playlist_type = :TYPE AND name < :NAME";
const char kInsertPlaylist[] = "INSERT INTO playlist (name, playlist_type, media_file_type, "
                               "sort_flags) VALUES (:NAME, :TYPE, :MEDIA, :SORT)";
const char kRename[] = "UPDATE playlist SET name = :NAME WHERE playlist_id = :ID";
const char kStoreSortFlags[] = "UPDATE playlist SET sort_flags = :FLAGS WHERE playlist_id = :ID";
const char kDeletePlaylist[] = "DELETE FROM playlist WHERE playlist_id = :ID";

const char kCountItems[] = "SELECT count(node_id) FROM playlist_item WHERE playlist_id = :PID";
const char kNextOrder[] =
    "SELECT coalesce(max(play_order) + 1, 0) FROM playlist_item WHERE playlist_id = :PID";
const char kLastOrder[] = "SELECT max(play_order) FROM playlist_item WHERE playlist_id = :PID";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (:PID, :NID, :ORDER)";
// A node's items are found through the node_id index; the unary + keeps the planner from
// walking all the playlist's items in the (playlist_id, play_order) index instead.
const char kItemOfNode[] =
    "SELECT playlist_item_id FROM playlist_item WHERE +playlist_id = :PID AND node_id = :NID";
const char kItemsOfNode[] = "SELECT playlist_item_id, play_order FROM playlist_item "
                            "WHERE +playlist_id = :PID AND node_id = :NID";
const char kPlaylistsOfNode[] = "SELECT playlist_id FROM playlist_item WHERE node_id = :ID";
const char kDeleteNodeItems[] =
    "DELETE FROM playlist_item WHERE +playlist_id = :PID AND node_id = :NID";
const char kItemRowAt[] = "SELECT node_id AS id, node_id, play_order FROM playlist_item "
                          "WHERE playlist_id = :PID ORDER BY play_order LIMIT 1 OFFSET :INDEX";
const char kDeleteItemRow[] = "DELETE FROM playlist_item "
                              "WHERE playlist_id = :PID AND node_id = :ID AND play_order = :ORDER";
const char kItemNodesFrom[] =
    "SELECT node_id, play_order, playlist_item_id FROM playlist_item WHERE playlist_id = :PID "
    "ORDER BY play_order, playlist_item_id LIMIT :COUNT OFFSET :INDEX";
const char kItemNodesAfter[] =
    "SELECT node_id, play_order, playlist_item_id FROM playlist_item WHERE playlist_id = :PID "
    "AND (play_order, playlist_item_id) > (:ORDER, :ITEM) "
    "ORDER BY play_order, playlist_item_id LIMIT :COUNT";
const char kItemsInOrder[] = "SELECT playlist_item_id, node_id, play_order FROM playlist_item "
                             "WHERE playlist_id = :PID ORDER BY play_order ASC";
const char kRenumberItem[] =
    "UPDATE playlist_item SET play_order = :ORDER WHERE playlist_item_id = :ID";
const char kShiftItems[] = "UPDATE playlist_item SET play_order = play_order + :BY "
                           "WHERE playlist_id = :PID AND play_order >= :FROM AND play_order < :TO";

const char kSortedItems[] =
    "SELECT playlist_item_id FROM playlist_item, node, media_file, video_file "
    "WHERE playlist_id = :PID AND playlist_item.node_id = node.node_id "
    "AND playlist_item.node_id = media_file.node_id "
    "AND playlist_item.node_id = video_file.node_id ORDER BY ";
const char kItemNodeByUri[] = "SELECT node.node_id FROM playlist_item, node WHERE uri = :URI "
                              "AND playlist_item.playlist_id = :PID "
                              "AND playlist_item.node_id = node.node_id";
const char kItemNodesMatching[] = "SELECT node.node_id FROM playlist_item, node "
                                  "WHERE uri GLOB :URI AND playlist_item.playlist_id = :PID "
                                  "AND playlist_item.node_id = node.node_id";
const char kQueuedByDownloadUrl[] =
    "SELECT playlist_item.node_id FROM playlist_item, queued_file WHERE playlist_id = :PID "
    "AND playlist_item.node_id = queued_file.node_id "
    "AND queued_file.download_url LIKE :URL LIMIT 1";
const char kTotalSize[] = "SELECT sum(size) FROM media_file, playlist_item "
                          "WHERE playlist_id = :PID AND playlist_item.node_id = media_file.node_id";
const char kTotalDuration[] =
    "SELECT sum(duration) FROM video_file, playlist_item "
    "WHERE playlist_id = :PID AND playlist_item.node_id = video_file.node_id";

bool readNextOrder(Statement& next, const QVariant& playlistId, qint64* order) {
    orv::bind(next, ":PID", playlistId);
    bool ok = false;
    if (next.exec() && next.next())
        *order = next.value(0).toLongLong(&ok);
    next.finish();
    return ok;
}

} // namespace PlaylistStatements
} // namespace VireoStudio
