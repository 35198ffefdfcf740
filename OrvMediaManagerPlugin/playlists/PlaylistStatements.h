#pragma once

// Every statement on the playlist and playlist_item tables: the catalogue, the items and their
// order, sorting, look-ups by URL and the sums. The start-up (built-in playlists) and the
// imports of an older release's data run these texts too. Values are always bound; named
// placeholders are in upper case.

#include "database/StatementCache.h"

#include <QVariant>

namespace VireoStudio {
namespace PlaylistStatements {

// playlist
extern const char kCountOfType[];       // :TYPE
extern const char kIdOfTypeAt[];        // playlist_id of :TYPE at :INDEX, in name order
extern const char kPlaylistOfType[];    // the first stored playlist of :TYPE
extern const char kSelectById[];        // every column, by name, of :ID
extern const char kSelectByName[];      // every column, by name, of :NAME (without regard to case)
extern const char kIdOfName[];          // :NAME
extern const char kIdOfNameOtherThan[]; // :NAME, not :ID
extern const char kCountNamedBefore[];  // playlists of :TYPE whose name sorts before :NAME
extern const char kInsertPlaylist[];    // :NAME, :TYPE, :MEDIA, :SORT
extern const char kRename[];            // :ID, :NAME
extern const char kStoreSortFlags[];    // :ID, :FLAGS
extern const char kDeletePlaylist[];    // :ID; the schema's trigger takes its items

// playlist_item
extern const char kCountItems[]; // :PID
// Where an item appended to a playlist (:PID) goes: one after the highest play order the
// playlist holds, 0 when it is empty. The count of items would not do: a removal leaves a gap,
// and the count can then equal the order of an item that is already there. Read from the end
// of the (playlist_id, play_order) index rather than from all the items. Every append of the
// library, the imports' included, takes its order from here.
extern const char kNextOrder[];
// Runs next (a statement of kNextOrder) for a playlist; false when it fails.
bool readNextOrder(Statement& next, const QVariant& playlistId, qint64* order);
// The highest play order of :PID as stored (NULL when it is empty).
extern const char kLastOrder[];
extern const char kInsertItem[];      // :PID, :NID, :ORDER
extern const char kItemOfNode[];      // an item of :NID in :PID
extern const char kItemsOfNode[];     // playlist_item_id, play_order of :NID in :PID
extern const char kPlaylistsOfNode[]; // playlist_id of every item of :ID
extern const char kDeleteNodeItems[]; // every item of :NID in :PID
extern const char kItemRowAt[];       // id, node_id, play_order of the item of :PID at :INDEX
extern const char kDeleteItemRow[];   // the item of :PID with node :ID and order :ORDER
// The node ids of :PID from :INDEX on (:COUNT of them), in play order; items of one order in
// the order of their ids. The second carries a read on after (:ORDER, :ITEM).
extern const char kItemNodesFrom[];
extern const char kItemNodesAfter[];
enum ItemNodeColumn { ItemNode, ItemOrder, ItemId };
extern const char kItemsInOrder[]; // playlist_item_id, node_id, play_order of :PID
enum ItemInOrderColumn { InOrderId, InOrderNode, InOrderOrder };
extern const char kRenumberItem[]; // :ID, :ORDER
extern const char kShiftItems[];   // orders :FROM up to (not including) :TO of :PID move by :BY

// Sorting: this text, a column of the sort table, a direction (the one text built at run time).
extern const char kSortedItems[];
// Look-ups by URL (:URI) among the items of :PID, and by a GLOB pattern.
extern const char kItemNodeByUri[];
extern const char kItemNodesMatching[];
extern const char kQueuedByDownloadUrl[]; // :PID, :URL (a LIKE pattern)
extern const char kTotalSize[];           // :PID
extern const char kTotalDuration[];       // :PID

} // namespace PlaylistStatements
} // namespace VireoStudio
