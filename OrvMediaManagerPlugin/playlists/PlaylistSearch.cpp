// Sorting a playlist, finding its items by URL, and the sums of its items.

#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"

namespace VireoStudio {

bool Playlist::sort(int flags) {
    (void)flags;
    return false; // not available yet
}

bool Playlist::findMediaFileInList(const QUrl& url, M::MediaFileInterface** out) {
    (void)url;
    (void)out;
    return false; // not available yet
}

bool Playlist::findAcquiredFileInList(const QUrl& url, M::AcquiredFileInterface** out) {
    (void)url;
    (void)out;
    return false; // not available yet
}

bool Playlist::findQueuedFile(const QUrl& url, M::QueuedFileInterface** out) {
    (void)url;
    (void)out;
    return false; // not available yet
}

bool Playlist::findMediaFilesMatching(const QUrl& pattern, M::MediaFileList& files) {
    files.clear();
    (void)pattern;
    return false; // not available yet
}

bool Playlist::findQueuedFileByDownloadUrl(const QUrl& url, M::QueuedFileInterface** out) {
    (void)url;
    (void)out;
    return false; // not available yet
}

qint64 Playlist::getTotalSize() {
    return 0;
}

qint64 Playlist::getTotalDuration() {
    return 0;
}

} // namespace VireoStudio
