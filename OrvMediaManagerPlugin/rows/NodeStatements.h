#pragma once

// Every statement on the tables of the library's files: node, media_file, video_file,
// acquired_file and queued_file. The operations on video, acquired and queued files, the
// recovery of downloads and the imports of an older release's data all run these texts.
// Values are always bound; named placeholders are in upper case.

namespace VireoStudio {
namespace NodeStatements {

// node
extern const char kNodeIdByUri[]; // node_id of :URI (matched without regard to case)
extern const char kNodeByUri[];   // node_id, name, create_date of :URI
extern const char kNodeById[];    // node_id, uri of :ID
extern const char kInsertNode[];  // :URI, :NAME, :DATE (NULL: the time of the insert)
extern const char kUpdateNode[];  // :ID, :URI, :NAME
extern const char kDeleteNode[];  // :ID; the schema's trigger takes every row of the node

// Whether a node (:ID) has a row of one kind.
extern const char kMediaRowOf[];
extern const char kVideoRowOf[];
extern const char kAcquiredRowOf[];
extern const char kQueuedRowOf[];

// media_file: every column (:ID, :TYPE, :SIZE, :TITLE, :DESC, :LASTPLAYED, :USERRATING,
// :PLAYCOUNT); an update keeps the type when :TYPE is NULL.
extern const char kInsertMediaFile[];
extern const char kUpdateMediaFile[];
extern const char kMediaByUri[]; // the media columns a new object for :URI takes over

// video_file
extern const char kInsertVideoFile[]; // :ID, :DURATION
extern const char kUpdateVideoFile[];
extern const char kDeleteVideoFile[];
// A video file's columns and its media_file_type (which must be that of a video file) for :ID,
// or for the nodes whose ids the JSON array :IDS lists; in the order of VideoColumn.
extern const char kLoadVideoFile[];
extern const char kLoadVideoFiles[];
enum VideoColumn {
    VideoId,
    VideoUri,
    VideoName,
    VideoCreateDate,
    VideoSize,
    VideoTitle,
    VideoDescription,
    VideoLastPlayed,
    VideoUserRating,
    VideoPlayCount,
    VideoDuration,
    VideoMediaFileType
};

// acquired_file and queued_file
extern const char kLoadAcquiredFile[];   // by :ID, columns by name
extern const char kLoadQueuedFile[];     // the same with the download's columns
extern const char kNodeOfContentId[];    // :CID
extern const char kAcquiredByUri[];      // :URI
extern const char kInsertAcquiredFile[]; // :ID, :PROVIDER, :CID
extern const char kUpdateAcquiredFile[];
extern const char kDeleteAcquiredFile[];
// :ID, :TEMP, :DLURL, :STATUS, :PERCENT, :TICKET, :TORN (an update leaves the ticket alone)
extern const char kInsertQueuedFile[];
extern const char kUpdateQueuedFile[];
extern const char kDeleteQueuedFile[];
// Downloads a stopped player may have left unfinished (node_id, download_status,
// percent_complete, temp_uri), and the reset of one of them (:ID).
extern const char kUnfinishedDownloads[];
extern const char kResetDownload[];

} // namespace NodeStatements
} // namespace VireoStudio
