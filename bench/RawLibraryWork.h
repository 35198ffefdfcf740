#pragma once

// What the plugin's operations do to the library file, written with the sqlite3 C API and
// statements prepared once: the rows of a new video file, the load of one, the save of a
// recent file. The baselines run these against the same kind of file.

#include "RawSqlite.h"

#include <QString>

// Adds video files as newVideoFile + save do: looks the URI up, inserts the node, appends it to
// the built-in playlists of types 1 and 2 (after their last item), inserts the media-file and
// video-file rows.
class RawVideoStore {
public:
    explicit RawVideoStore(RawLibrary& db);
    // The new node's id.
    qint64 add(const QString& uri, const QString& title, qint64 size, qint64 duration);

private:
    sqlite3* db;
    RawStatement nodeByUri;
    RawStatement insertNode;
    RawStatement playlistOfType;
    RawStatement insertItem;
    RawStatement insertMedia;
    RawStatement insertVideo;
};

// A video file's columns, as a raw reader would hold them.
struct RawVideoRow {
    qint64 id = 0;
    QString uri;
    QString name;
    QString createDate;
    qint64 size = 0;
    QString title;
    QString description;
    QString lastPlayed;
    qint64 userRating = 0;
    qint64 playCount = 0;
    qint64 duration = 0;
};

// Loads a video file by node id: its node, media-file and video-file columns in one statement.
class RawVideoLoader {
public:
    explicit RawVideoLoader(RawLibrary& db);
    bool load(qint64 id, RawVideoRow& row);

private:
    RawStatement select;
};

// Loads the video file at a play order of a playlist: the item's node with its media-file and
// video-file columns in one statement, which seeks the (playlist_id, play_order) index.
class RawItemLoader {
public:
    explicit RawItemLoader(RawLibrary& db);
    bool load(qint64 playlistId, qint64 playOrder, RawVideoRow& row);

private:
    RawStatement select;
};

// Saves a new recent-file entry with its title positions as saveRecentFile does, then trims
// the list to a maximum.
class RawRecentStore {
public:
    RawRecentStore(RawLibrary& db, qint64 maximum);
    // positions: title, audio, subtitle, msecs per position; the first goes into the entry.
    void add(const QString& uri, const qint64 (*positions)[4], int count);

private:
    sqlite3* db;
    qint64 maximum;
    RawStatement entryOfUri;
    RawStatement nodeOfUri;
    RawStatement insertEntry;
    RawStatement deletePositions;
    RawStatement insertPosition;
    RawStatement countEntries;
    RawStatement trim;
};
