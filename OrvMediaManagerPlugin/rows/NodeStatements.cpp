#include "NodeStatements.h"

namespace VireoStudio {
namespace NodeStatements {

const char kNodeIdByUri[] = "SELECT node_id FROM node WHERE uri = :URI";
const char kNodeByUri[] = "SELECT node_id, name, create_date FROM node WHERE uri = :URI";
const char kNodeById[] = "SELECT node_id, uri FROM node WHERE node_id = :ID";
const char kInsertNode[] = "INSERT INTO node (uri, name, create_date) "
                           "VALUES (:URI, :NAME, coalesce(:DATE, current_timestamp))";
const char kUpdateNode[] = "UPDATE node SET uri = :URI, name = :NAME WHERE node_id = :ID";
const char kDeleteNode[] = "DELETE FROM node WHERE node_id = :ID";

const char kMediaRowOf[] = "SELECT node_id FROM media_file WHERE node_id = :ID";
const char kVideoRowOf[] = "SELECT node_id FROM video_file WHERE node_id = :ID";
const char kAcquiredRowOf[] = "SELECT node_id FROM acquired_file WHERE node_id = :ID";
const char kQueuedRowOf[] = "SELECT node_id FROM queued_file WHERE node_id = :ID";

const char kInsertMediaFile[] =
    "INSERT INTO media_file (node_id, media_file_type, size, title, description, last_played, "
    "user_rating, play_count) VALUES (:ID, :TYPE, :SIZE, :TITLE, :DESC, :LASTPLAYED, "
    ":USERRATING, :PLAYCOUNT)";
const char kUpdateMediaFile[] =
    "UPDATE media_file SET size = :SIZE, title = :TITLE, "
    "media_file_type = coalesce(:TYPE, media_file_type), description = :DESC, "
    "last_played = :LASTPLAYED, user_rating = :USERRATING, play_count = :PLAYCOUNT "
    "WHERE node_id = :ID";
const char kMediaByUri[] =
    "SELECT name, create_date, media_file_type, size, title, description FROM node, media_file "
    "WHERE uri = :URI AND node.node_id = media_file.node_id";

const char kInsertVideoFile[] =
    "INSERT INTO video_file (node_id, duration) VALUES (:ID, :DURATION)";
const char kUpdateVideoFile[] = "UPDATE video_file SET duration = :DURATION WHERE node_id = :ID";
const char kDeleteVideoFile[] = "DELETE FROM video_file WHERE node_id = :ID";
// The type comes with the columns so that a look-up is one statement; each table is sought by
// the bound id itself, which spares reading the id back out of the node row first.
const char kLoadVideoFile[] =
    "SELECT node.node_id, uri, name, create_date, size, title, description, last_played, "
    "user_rating, play_count, duration, media_file_type FROM node, media_file, video_file "
    "WHERE node.node_id = :ID AND media_file.node_id = :ID AND video_file.node_id = :ID";
const char kLoadVideoFiles[] =
    "SELECT node.node_id, uri, name, create_date, size, title, description, last_played, "
    "user_rating, play_count, duration, media_file_type FROM node, media_file, video_file "
    "WHERE node.node_id IN (SELECT value FROM json_each(:IDS)) "
    "AND node.node_id = media_file.node_id AND node.node_id = video_file.node_id";

const char kLoadAcquiredFile[] =
    "SELECT n.node_id AS node_id, n.uri AS uri, n.name AS name, n.create_date AS create_date, "
    "m.size AS size, m.title AS title, m.description AS description, "
    "m.last_played AS last_played, m.user_rating AS user_rating, m.play_count AS play_count, "
    "a.content_provider AS content_provider, a.content_id AS content_id "
    "FROM node n, media_file m, acquired_file a "
    "WHERE n.node_id = :ID AND m.node_id = n.node_id AND a.node_id = n.node_id";
const char kLoadQueuedFile[] =
    "SELECT n.node_id AS node_id, n.uri AS uri, n.name AS name, n.create_date AS create_date, "
    "m.size AS size, m.title AS title, m.description AS description, "
    "m.last_played AS last_played, m.user_rating AS user_rating, m.play_count AS play_count, "
    "a.content_provider AS content_provider, a.content_id AS content_id, "
    "q.temp_uri AS temp_uri, q.download_url AS download_url, "
    "q.download_status AS download_status, q.percent_complete AS percent_complete "
    "FROM node n, media_file m, acquired_file a, queued_file q "
    "WHERE n.node_id = :ID AND m.node_id = n.node_id AND a.node_id = n.node_id "
    "AND q.node_id = n.node_id";
const char kNodeOfContentId[] = "SELECT node_id FROM acquired_file WHERE content_id = :CID";
const char kAcquiredByUri[] = "SELECT node.node_id FROM node, acquired_file "
                              "WHERE node.uri = :URI AND node.node_id = acquired_file.node_id";
const char kInsertAcquiredFile[] = "INSERT INTO acquired_file (node_id, content_provider, "
                                   "content_id) VALUES (:ID, :PROVIDER, :CID)";
const char kUpdateAcquiredFile[] = "UPDATE acquired_file SET content_provider = :PROVIDER, "
                                   "content_id = :CID WHERE node_id = :ID";
const char kDeleteAcquiredFile[] = "DELETE FROM acquired_file WHERE node_id = :ID";
const char kInsertQueuedFile[] =
    "INSERT INTO queued_file (node_id, temp_uri, download_url, download_status, "
    "percent_complete, ticket, ticket_torn) "
    "VALUES (:ID, :TEMP, :DLURL, :STATUS, :PERCENT, :TICKET, coalesce(:TORN, 0))";
const char kUpdateQueuedFile[] =
    "UPDATE queued_file SET temp_uri = :TEMP, download_url = :DLURL, "
    "download_status = :STATUS, percent_complete = :PERCENT WHERE node_id = :ID";
const char kDeleteQueuedFile[] = "DELETE FROM queued_file WHERE node_id = :ID";
const char kUnfinishedDownloads[] =
    "SELECT node_id, download_status, percent_complete, temp_uri FROM queued_file "
    "WHERE download_status IN (1, 6)";
const char kResetDownload[] = "UPDATE queued_file SET temp_uri = '', download_status = 1, "
                              "percent_complete = 0 WHERE node_id = :ID";

} // namespace NodeStatements
} // namespace VireoStudio
