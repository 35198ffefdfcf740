#pragma once

// How the commands name media files (a node id, or a URL or local path) and playlists (a name
// or an id).

#include "FileUrls.h"
#include "HeldRow.h"
#include "MediaManagerInterface.h"

// The URL as the library stores and compares it.
QString storedText(const QUrl& url);

// The video file a command names by node id, URL or path; false with error set when there is
// none. The library finds URLs without regard to ASCII letter case, but on Linux two files may
// differ only in case: an entry whose stored URL differs from the one asked for in case is
// another file, and it is refused, naming the stored entry, never acted on.
bool findMediaFileArg(VireoStudio::MediaManagerInterface* library, const QString& urlOrId,
                      Held<VireoStudio::MediaManagerInterface::MediaFileInterface>& file,
                      QString* error);

// The message for a URL that matches the stored entry only by letter case.
QString caseCollision(const QUrl& asked, VireoStudio::MediaManagerInterface::NodeInterface* stored);

// The playlist a command names by name or, failing that, by id.
bool findPlaylistArg(VireoStudio::MediaManagerInterface* library, const QString& nameOrId,
                     Held<VireoStudio::MediaManagerInterface::PlaylistInterface>& playlist);
