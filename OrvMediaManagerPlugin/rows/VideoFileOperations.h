#pragma once

// Video files: looking them up, making new ones, storing and deleting them. A store writes the
// node, media-file and video-file rows in one transaction; a delete detaches the live object
// and publishes the change. The media-library interface's video-file operations, with the
// plugin that owns the rows.

#include "database/ContentStamp.h"
#include "rows/RowOwner.h"

#include <QList>
#include <QUrl>

namespace VireoStudio {
namespace VideoFileOperations {

typedef MediaManagerInterface M;

bool findMediaFile(RowOwner& owner, const QUrl& uri, M::MediaFileInterface** out);
bool getMediaFile(RowOwner& owner, quint64 id, M::MediaFileInterface** out);
// The same for a caller that has taken the content stamp just now (unset: it has not): a file
// read ahead is handed out when now is the stamp it was read under, with no second look at
// the file.
bool getMediaFileAsOf(RowOwner& owner, quint64 id, const ContentStamp& now,
                      M::MediaFileInterface** out);
bool saveVideoFile(RowOwner& owner, M::VideoFileInterface* file);
bool newVideoFileForMediaFile(RowOwner& owner, M::MediaFileInterface* media, quint64 size,
                              quint64 duration, M::VideoFileInterface** out);
bool newVideoFile(RowOwner& owner, const QUrl& uri, const QString& title, quint64 size,
                  quint64 duration, M::VideoFileInterface** out);
bool deleteVideoFile(RowOwner& owner, quint64 id);

// Reads the video files of the nodes (those that are not live) in one statement, for a host
// walking a playlist that is about to ask for them one after the other: getMediaFile hands
// them out for as long as the content stamp stays stamp, which the caller takes before it
// reads the ids (so that a commit while they are read counts as a change). Replaces what was
// read before; ids that are no video file are left to getMediaFile.
void readAhead(RowOwner& owner, const QList<quint64>& nodeIds, const ContentStamp& stamp);

} // namespace VideoFileOperations
} // namespace VireoStudio
