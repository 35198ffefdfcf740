#pragma once

// Copies an older release's media library into a new library: every file the old database
// describes with a URI, an add date, a title, a size and a duration becomes a node with its
// media-file and video-file rows, and every playlist membership becomes a playlist item
// (user playlists are created as needed). A file listed again under a URI that differs only in
// letter case is the file met first: its memberships go to that node, never twice to one
// playlist. The old database is only read.

#include "ImportTarget.h"

#include <QSet>

namespace VireoStudio {

class LegacyLibraryImporter : public ImportTarget {
public:
    // legacy: the open connection to the old database; library: the library connection, in
    // the transaction that the caller commits or discards.
    LegacyLibraryImporter(LibraryDatabase& legacy, LibraryDatabase& library);

    // False at the first failure; the caller then discards everything written so far.
    bool importLibrary();

    // Whether a statement or an opening failed for the moment (the disk failed a read, another
    // process held a lock, memory ran out) rather than for what the file holds: the same read
    // may work on the next start, so the import must not be recorded as done without it.
    // code: SQLite's result code of the failure.
    static bool failedForNow(int code);

private:
    bool importFiles();
    bool importMemberships();

    LibraryDatabase& legacy;
    // Nodes that a skipped duplicate was merged into.
    QSet<quint64> mergedNodes;
};

} // namespace VireoStudio
