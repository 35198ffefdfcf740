#pragma once

// Acquired content and queued downloads: looking them up, making new ones, storing and deleting
// them, and putting back to the start the downloads a stopped player left unfinished. One live
// map serves both kinds, so a node has at most one registered object: a queued file whenever
// the node has a queued row, a plain acquired file otherwise.

#include "rows/RowOwner.h"

#include <QUrl>

namespace VireoStudio {
namespace AcquiredFileOperations {

typedef MediaManagerInterface M;

bool newAcquiredFile(RowOwner& owner, const QUrl& uri, const QString& title, quint64 contentId,
                     M::AcquiredFileInterface** out);
bool newAcquiredFileForMediaFile(RowOwner& owner, M::MediaFileInterface* media,
                                 M::AcquiredFileInterface** out);
bool findAcquiredFile(RowOwner& owner, const QUrl& uri, M::AcquiredFileInterface** out);
bool getAcquiredFile(RowOwner& owner, quint64 id, M::AcquiredFileInterface** out);
bool saveAcquiredFile(RowOwner& owner, M::AcquiredFileInterface* file);
bool deleteAcquiredFile(RowOwner& owner, quint64 id);
bool findAcquiredFileByContentId(RowOwner& owner, quint64 contentId,
                                 M::AcquiredFileInterface** out);
bool newQueuedFile(RowOwner& owner, const QUrl& uri, const QString& title, const QUrl& downloadUrl,
                   M::QueuedFileInterface** out);
bool getQueuedFile(RowOwner& owner, quint64 id, M::QueuedFileInterface** out);
bool deleteQueuedFile(RowOwner& owner, quint64 id);

// Every download left unfinished (status 1 below 100 %, or status 6) goes back to status 1 at
// 0 % without a temporary file, and the partial-download files beside its temporary file are
// deleted. False, and the library closed, when the downloads cannot be listed.
bool resetInterruptedDownloads(RowOwner& owner);

} // namespace AcquiredFileOperations
} // namespace VireoStudio
