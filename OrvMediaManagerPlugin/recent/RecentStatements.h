#pragma once

// Every statement on the recent_file and recent_file_position tables: the recent list, its
// entries with their title positions, its trim, and what the in-memory playlist of recent
// files reads of it. Values are always bound; named placeholders are in upper case.

namespace VireoStudio {
namespace RecentStatements {

extern const char kCount[];
// An entry's columns by :ID, in the order of EntryColumn (the first title position last).
extern const char kLoadEntry[];
enum EntryColumn { EntryNode, EntryUri, EntryPosition };
// The further title positions of :ID: position_msecs, title_id, audio_track_id,
// subtitle_track_id.
extern const char kLoadPositions[];
extern const char kIdOfUri[];           // :URI, matched without regard to case
extern const char kIdAt[];              // the entry at :INDEX, newest first
extern const char kRowAt[];             // id, node_id of the entry at :INDEX
extern const char kNodeAt[];            // node_id of the entry at :INDEX
extern const char kNodeOfUri[];         // node_id of :URI
extern const char kNodesMatching[];     // node_id of every entry whose URI matches the GLOB :URI
extern const char kInsertEntry[];       // :URI, :NID and the first position
extern const char kSaveEntry[];         // :ID and the first position
extern const char kUpdateEntry[];       // :ID, :NID and the first position
extern const char kDeleteEntry[];       // :ID; the schema's trigger takes its position rows
extern const char kDeleteEntryOfNode[]; // :NID
extern const char kDeletePositions[];   // :ID
extern const char kInsertPosition[];    // :ID and one further position
// Deletes every entry older than the one at place :MAX + 1, newest first: entries that share
// its stamp stay with it.
extern const char kTrim[];

} // namespace RecentStatements
} // namespace VireoStudio
