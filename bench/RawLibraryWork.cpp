#include "RawLibraryWork.h"

#include "HostedLibrary.h"

namespace {

const char kNodeByUri[] = "SELECT node_id, name, create_date FROM node WHERE uri = ?1";
const char kInsertNode[] = "INSERT INTO node (uri, name) VALUES (?1, ?2)";
const char kPlaylistOfType[] =
    "SELECT playlist_id, (SELECT coalesce(max(play_order) + 1, 0) FROM playlist_item "
    "WHERE playlist_item.playlist_id = playlist.playlist_id) FROM playlist "
    "WHERE playlist_type = ?1";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (?1, ?2, ?3)";
const char kInsertMedia[] =
    "INSERT INTO media_file (node_id, media_file_type, size, title, description, last_played, "
    "user_rating, play_count) VALUES (?1, 1, ?2, ?3, NULL, NULL, NULL, 0)";
const char kInsertVideo[] = "INSERT INTO video_file (node_id, duration) VALUES (?1, ?2)";

const char kLoadVideo[] =
    "SELECT node.node_id, uri, name, create_date, size, title, description, last_played, "
    "user_rating, play_count, duration, media_file_type FROM node, media_file, video_file "
    "WHERE node.node_id = ?1 AND media_file.node_id = ?1 AND video_file.node_id = ?1";
const char kLoadItem[] =
    "SELECT node.node_id, uri, name, create_date, size, title, description, last_played, "
    "user_rating, play_count, duration, media_file_type FROM playlist_item "
    "JOIN node ON node.node_id = playlist_item.node_id "
    "JOIN media_file ON media_file.node_id = playlist_item.node_id "
    "JOIN video_file ON video_file.node_id = playlist_item.node_id "
    "WHERE playlist_id = ?1 AND play_order = ?2";

const char kEntryOfUri[] = "SELECT recent_file_id FROM recent_file WHERE uri = ?1";
const char kNodeOfUri[] = "SELECT node_id FROM node WHERE uri = ?1";
const char kInsertEntry[] = "INSERT INTO recent_file (uri, node_id, title_id, audio_track_id, "
                            "subtitle_track_id, position_msecs) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
const char kDeletePositions[] = "DELETE FROM recent_file_position WHERE recent_file_id = ?1";
const char kInsertPosition[] =
    "INSERT INTO recent_file_position (recent_file_id, title_id, audio_track_id, "
    "subtitle_track_id, position_msecs) VALUES (?1, ?2, ?3, ?4, ?5)";
const char kCountEntries[] = "SELECT count(recent_file_id) FROM recent_file";
const char kTrim[] = "DELETE FROM recent_file WHERE last_change < (SELECT last_change FROM "
                     "recent_file ORDER BY last_change DESC LIMIT 1 OFFSET ?1)";

const int kBuiltInTypes[] = {1, 2};

// Reads the columns of kLoadVideo (kLoadItem has the same) from the row at hand; false when
// the row is not a video file's.
bool readVideoRow(const RawStatement& select, RawVideoRow& row) {
    if (select.integer(11) != 1)
        return false;
    row.id = select.integer(0);
    row.uri = select.text(1);
    row.name = select.text(2);
    row.createDate = select.text(3);
    row.size = select.integer(4);
    row.title = select.text(5);
    row.description = select.text(6);
    row.lastPlayed = select.text(7);
    row.userRating = select.integer(8);
    row.playCount = select.integer(9);
    row.duration = select.integer(10);
    return true;
}

} // namespace

RawVideoStore::RawVideoStore(RawLibrary& db)
    : db(db.handle()), nodeByUri(db.handle(), kNodeByUri), insertNode(db.handle(), kInsertNode),
      playlistOfType(db.handle(), kPlaylistOfType), insertItem(db.handle(), kInsertItem),
      insertMedia(db.handle(), kInsertMedia), insertVideo(db.handle(), kInsertVideo) {}

qint64 RawVideoStore::add(const QString& uri, const QString& title, qint64 size, qint64 duration) {
    nodeByUri.bind(1, uri);
    require(!nodeByUri.row(), "a new URI");
    nodeByUri.reset();
    insertNode.bind(1, uri).bind(2, uri.mid(uri.lastIndexOf(QLatin1Char('/')) + 1)).run();
    const qint64 id = sqlite3_last_insert_rowid(db);
    for (int type : kBuiltInTypes) {
        playlistOfType.bind(1, qint64(type));
        require(playlistOfType.row(), "built-in playlist");
        insertItem.bind(1, playlistOfType.integer(0))
            .bind(2, id)
            .bind(3, playlistOfType.integer(1));
        playlistOfType.reset();
        insertItem.run();
    }
    insertMedia.bind(1, id).bind(2, size).bind(3, title).run();
    insertVideo.bind(1, id).bind(2, duration).run();
    return id;
}

RawVideoLoader::RawVideoLoader(RawLibrary& db) : select(db.handle(), kLoadVideo) {}

bool RawVideoLoader::load(qint64 id, RawVideoRow& row) {
    select.bind(1, id);
    const bool found = select.row() && readVideoRow(select, row);
    select.reset();
    return found;
}

RawItemLoader::RawItemLoader(RawLibrary& db) : select(db.handle(), kLoadItem) {}

bool RawItemLoader::load(qint64 playlistId, qint64 playOrder, RawVideoRow& row) {
    select.bind(1, playlistId).bind(2, playOrder);
    const bool found = select.row() && readVideoRow(select, row);
    select.reset();
    return found;
}

RawRecentStore::RawRecentStore(RawLibrary& db, qint64 maximum)
    : db(db.handle()), maximum(maximum), entryOfUri(db.handle(), kEntryOfUri),
      nodeOfUri(db.handle(), kNodeOfUri), insertEntry(db.handle(), kInsertEntry),
      deletePositions(db.handle(), kDeletePositions), insertPosition(db.handle(), kInsertPosition),
      countEntries(db.handle(), kCountEntries), trim(db.handle(), kTrim) {}

void RawRecentStore::add(const QString& uri, const qint64 (*positions)[4], int count) {
    entryOfUri.bind(1, uri);
    require(!entryOfUri.row(), "a new recent URI");
    entryOfUri.reset();
    nodeOfUri.bind(1, uri);
    if (nodeOfUri.row())
        insertEntry.bind(2, nodeOfUri.integer(0));
    else
        insertEntry.bindNull(2);
    nodeOfUri.reset();
    insertEntry.bind(1, uri);
    for (int column = 0; column < 4; ++column)
        insertEntry.bind(3 + column, positions[0][column]);
    insertEntry.run();
    const qint64 id = sqlite3_last_insert_rowid(db);
    deletePositions.bind(1, id).run();
    for (int i = 1; i < count; ++i) {
        insertPosition.bind(1, id);
        for (int column = 0; column < 4; ++column)
            insertPosition.bind(2 + column, positions[i][column]);
        insertPosition.run();
    }
    require(countEntries.row(), "recent count");
    const qint64 entries = countEntries.integer(0);
    countEntries.reset();
    if (entries > maximum)
        trim.bind(1, maximum - 1).run();
}
