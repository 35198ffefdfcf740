#pragma once

// The library's own rules, beyond what SQLite checks of its file: every table is there, no
// detail row outlives the row it belongs to, each built-in playlist exists exactly once, no two
// items of one playlist share a place, the recent list keeps nothing older than its newest
// entries up to the maximum, and the schema version is one the player knows.

#include "Problem.h"

#include <sqlite3.h>

namespace LibraryMaintenance {

// The library's tables, each after the tables its rows belong to.
inline constexpr const char* kLibraryTables[] = {
    "schema_data", "node",     "media_file",    "video_file",  "acquired_file",
    "queued_file", "playlist", "playlist_item", "recent_file", "recent_file_position"};

// A detail row and the row it belongs to: the child's table and column, the parent's table and
// column. SQLite enforces none of them as a foreign key; the schema's triggers stand in.
struct ParentLink {
    const char* child;
    const char* column;
    const char* parent;
    const char* parentColumn;
};

inline constexpr ParentLink kParentLinks[] = {
    {"media_file", "node_id", "node", "node_id"},
    {"video_file", "node_id", "media_file", "node_id"},
    {"acquired_file", "node_id", "node", "node_id"},
    {"queued_file", "node_id", "acquired_file", "node_id"},
    {"playlist_item", "playlist_id", "playlist", "playlist_id"},
    {"playlist_item", "node_id", "node", "node_id"},
    {"recent_file_position", "recent_file_id", "recent_file", "recent_file_id"},
};

// The playlist types the library keeps exactly one playlist of.
inline constexpr int kBuiltInPlaylistTypes[] = {1, 2, 3, 4, 16, 18};

// The schema versions the player knows: 1.1, which it writes, and 1.0, which it brings up to 1.1.
const qint64 kSchemaVersion = 0x10100;
const qint64 kEarlierSchemaVersion = 0x10000;

// Every broken rule, one problem each; empty when the library keeps them all. A maximum of 0
// keeps every recent entry. Runs on an open connection, inside its transaction if one is open.
Problems ruleProblems(sqlite3* db, int recentMaximum);

} // namespace LibraryMaintenance
