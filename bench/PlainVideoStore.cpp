#include "PlainVideoStore.h"

#include "RawSqlite.h"

namespace {

const char kNodeByUri[] = "SELECT node_id, name, create_date FROM node WHERE uri = ?1";
const char kInsertNode[] = "INSERT INTO node (uri, name) VALUES (?1, ?2)";
const char kPlaylistOfType[] =
    "SELECT playlist_id FROM playlist WHERE playlist_type = ?1 ORDER BY playlist_id LIMIT 1";
const char kNextOrder[] =
    "SELECT coalesce(max(play_order) + 1, 0) FROM playlist_item WHERE playlist_id = ?1";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (?1, ?2, ?3)";
const char kInsertMedia[] =
    "INSERT INTO media_file (node_id, media_file_type, size, title, description, last_played, "
    "user_rating, play_count) VALUES (?1, 1, ?2, ?3, NULL, NULL, NULL, 0)";
const char kInsertVideo[] = "INSERT INTO video_file (node_id, duration) VALUES (?1, ?2)";

const int kBuiltInTypes[] = {1, 2};

void bindText(sqlite3_stmt* stmt, int index, const std::string& text) {
    // The caller's string outlives the step: SQLite reads it in place.
    sqlite3_bind_text(stmt, index, text.data(), int(text.size()), SQLITE_STATIC);
}

} // namespace

PlainVideoStore::PlainVideoStore(sqlite3* db)
    : db(db), nodeByUri(prepare(kNodeByUri)), insertNode(prepare(kInsertNode)),
      nextOrder(prepare(kNextOrder)), insertItem(prepare(kInsertItem)),
      insertMedia(prepare(kInsertMedia)), insertVideo(prepare(kInsertVideo)) {
    sqlite3_stmt* playlistOfType = prepare(kPlaylistOfType);
    for (int i = 0; i < 2; ++i) {
        sqlite3_bind_int(playlistOfType, 1, kBuiltInTypes[i]);
        builtInPlaylists[i] = single(playlistOfType);
    }
    sqlite3_finalize(playlistOfType);
}

PlainVideoStore::~PlainVideoStore() {
    for (sqlite3_stmt* stmt :
         {nodeByUri, insertNode, nextOrder, insertItem, insertMedia, insertVideo})
        sqlite3_finalize(stmt);
}

sqlite3_int64 PlainVideoStore::add(const PlainVideoFile& file) {
    bindText(nodeByUri, 1, file.uri);
    const int found = sqlite3_step(nodeByUri);
    sqlite3_reset(nodeByUri);
    if (found != SQLITE_DONE)
        rawFailure(db, found == SQLITE_ROW ? "a URI already in the library" : kNodeByUri);

    bindText(insertNode, 1, file.uri);
    bindText(insertNode, 2, file.name);
    run(insertNode);
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db);

    for (sqlite3_int64 playlist : builtInPlaylists) {
        sqlite3_bind_int64(nextOrder, 1, playlist);
        const sqlite3_int64 order = single(nextOrder);
        sqlite3_bind_int64(insertItem, 1, playlist);
        sqlite3_bind_int64(insertItem, 2, id);
        sqlite3_bind_int64(insertItem, 3, order);
        run(insertItem);
    }

    sqlite3_bind_int64(insertMedia, 1, id);
    sqlite3_bind_int64(insertMedia, 2, file.size);
    bindText(insertMedia, 3, file.title);
    run(insertMedia);

    sqlite3_bind_int64(insertVideo, 1, id);
    sqlite3_bind_int64(insertVideo, 2, file.duration);
    run(insertVideo);
    return id;
}

sqlite3_stmt* PlainVideoStore::prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        rawFailure(db, sql);
    return stmt;
}

void PlainVideoStore::run(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        rawFailure(db, sqlite3_sql(stmt));
}

sqlite3_int64 PlainVideoStore::single(sqlite3_stmt* stmt) {
    if (sqlite3_step(stmt) != SQLITE_ROW)
        rawFailure(db, sqlite3_sql(stmt));
    const sqlite3_int64 value = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    return value;
}
