#include "RecentStatements.h"

namespace VireoStudio {
namespace RecentStatements {

const char kCount[] = "SELECT count(recent_file_id) FROM recent_file";
const char kLoadEntry[] =
    "SELECT node_id, uri, position_msecs, title_id, audio_track_id, subtitle_track_id "
    "FROM recent_file WHERE recent_file_id = :ID";
const char kLoadPositions[] = "SELECT position_msecs, title_id, audio_track_id, subtitle_track_id "
                              "FROM recent_file_position WHERE recent_file_id = :ID";
const char kIdOfUri[] = "SELECT recent_file_id FROM recent_file WHERE uri = :URI";
const char kIdAt[] =
    "SELECT recent_file_id FROM recent_file ORDER BY last_change DESC LIMIT 1 OFFSET :INDEX";
const char kRowAt[] = "SELECT recent_file_id AS id, node_id FROM recent_file "
                      "ORDER BY last_change DESC LIMIT 1 OFFSET :INDEX";
const char kNodeAt[] =
    "SELECT node_id FROM recent_file ORDER BY last_change DESC LIMIT 1 OFFSET :INDEX";
const char kNodeOfUri[] = "SELECT node_id FROM recent_file WHERE uri = :URI";
const char kNodesMatching[] = "SELECT node_id FROM recent_file WHERE uri GLOB :URI";
const char kInsertEntry[] =
    "INSERT INTO recent_file (uri, node_id, title_id, audio_track_id, subtitle_track_id, "
    "position_msecs) VALUES (:URI, :NID, :TITLE, :AUDIO, :SUB, :POS)";
const char kSaveEntry[] =
    "UPDATE recent_file SET title_id = :TITLE, position_msecs = :POS, "
    "audio_track_id = :AUDIO, subtitle_track_id = :SUB WHERE recent_file_id = :ID";
const char kUpdateEntry[] =
    "UPDATE recent_file SET title_id = :TITLE, position_msecs = :POS, node_id = :NID, "
    "audio_track_id = :AUDIO, subtitle_track_id = :SUB WHERE recent_file_id = :ID";
const char kDeleteEntry[] = "DELETE FROM recent_file WHERE recent_file_id = :ID";
const char kDeleteEntryOfNode[] = "DELETE FROM recent_file WHERE node_id = :NID";
const char kDeletePositions[] = "DELETE FROM recent_file_position WHERE recent_file_id = :ID";
const char kInsertPosition[] =
    "INSERT INTO recent_file_position (recent_file_id, title_id, audio_track_id, "
    "subtitle_track_id, position_msecs) VALUES (:ID, :TITLE, :AUDIO, :SUB, :POS)";
const char kTrim[] = "DELETE FROM recent_file WHERE last_change < (SELECT last_change "
                     "FROM recent_file ORDER BY last_change DESC LIMIT 1 OFFSET :MAX)";

} // namespace RecentStatements
} // namespace VireoStudio
