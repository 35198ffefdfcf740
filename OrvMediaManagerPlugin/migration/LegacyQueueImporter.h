#pragma once

// Copies an older release's download queue, an XML file, into a new library: every queued or
// finished download becomes a node with its acquired-file and queued-file rows, unencrypted
// content also a media file (a video file once finished), and items of the download-queue,
// acquired-content or built-in playlists. An item whose file is queued already is skipped (the
// first wins); a download of a file the library holds already joins that node. The file is
// only read.

#include "ImportTarget.h"

#include <QString>
#include <QXmlStreamAttributes>

namespace VireoStudio {

class LegacyQueueImporter : public ImportTarget {
public:
    LegacyQueueImporter(const QString& path, LibraryDatabase& library);

    // Reads the file to its end, or to its first XML error, keeping the downloads before it.
    // False at the first failed statement, at a built-in playlist that is missing, or when
    // the file cannot be read; the caller then discards everything written so far.
    bool importQueue();

private:
    bool importItem(const QXmlStreamAttributes& attributes);
    // Whether a look-up on :ID finds a row for the node; false when it fails.
    static bool hasRow(Statement& lookUp, quint64 nodeId, bool* found);

    QString path;
    Statement insertNode;
    Statement insertMediaFile;
    Statement insertVideoFile;
    Statement insertAcquiredFile;
    Statement insertQueuedFile;
    Statement selectAcquired;
    Statement selectQueued;
    Statement selectMedia;
    Statement selectVideo;
};

} // namespace VireoStudio
