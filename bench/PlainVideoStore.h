#pragma once

// Adding video files as a plain sqlite3 program would: no Qt at all, the texts held as UTF-8
// std::strings made beforehand and bound in place, every statement prepared once when the
// store is made. It does what newVideoFile + save do to the library file, with the same
// checks: the URI is not yet in the library, each of the built-in playlists of types 1 and 2
// gets the node after its highest play order (0 when it is empty), then the node, the two
// playlist items, the media-file and the video-file rows.

#include <sqlite3.h>

#include <string>

// The inputs of one new video file. name is the node name the plugin gives the URI (the last
// section of its path).
struct PlainVideoFile {
    std::string uri;
    std::string name;
    std::string title;
    sqlite3_int64 size = 0;
    sqlite3_int64 duration = 0;
};

class PlainVideoStore {
public:
    // Prepares the statements and looks up the built-in playlists' ids, once, as the plugin
    // keeps them once it has read them.
    explicit PlainVideoStore(sqlite3* db);
    ~PlainVideoStore();
    PlainVideoStore(const PlainVideoStore&) = delete;
    PlainVideoStore& operator=(const PlainVideoStore&) = delete;

    // The new node's id; stops the program when the URI is present or a step fails.
    sqlite3_int64 add(const PlainVideoFile& file);

private:
    sqlite3_stmt* prepare(const char* sql);
    // Steps a statement that returns no row, then resets it.
    void run(sqlite3_stmt* stmt);
    // Steps a statement that returns one row and reads its first column as an integer.
    sqlite3_int64 single(sqlite3_stmt* stmt);

    sqlite3* db;
    sqlite3_stmt* nodeByUri;
    sqlite3_stmt* insertNode;
    sqlite3_stmt* nextOrder;
    sqlite3_stmt* insertItem;
    sqlite3_stmt* insertMedia;
    sqlite3_stmt* insertVideo;
    sqlite3_int64 builtInPlaylists[2];
};
