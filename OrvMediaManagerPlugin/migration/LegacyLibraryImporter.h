#pragma once

// Copies an older release's media library into a new library: every file the old database
// describes with a URI, an add date, a title, a size and a duration becomes a node with its
// media-file and video-file rows, and every playlist membership becomes a playlist item
// (user playlists are created as needed). The old database is only read.

#include "ImportTarget.h"

#include <QSqlDatabase>

namespace VireoStudio {

class LegacyLibraryImporter : public ImportTarget {
public:
    // legacy: the open connection to the old database; library: the library connection, in
    // the transaction that the caller commits or discards.
    LegacyLibraryImporter(const QSqlDatabase& legacy, const QSqlDatabase& library);

    // False at the first failure; the caller then discards everything written so far.
    bool importLibrary();

private:
    bool importFiles();
    bool importMemberships();

    QSqlDatabase legacy;
};

} // namespace VireoStudio
