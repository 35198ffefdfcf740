#pragma once

// The library side of the one-time imports of an older release's data: finding a node by its
// URI, finding (for user playlists also creating) the playlist an imported item goes to, and
// appending a node at the end of a playlist. Everything here runs on the library connection,
// inside the start-up transaction, through statements prepared once and kept for the import.

#include "database/LibraryDatabase.h"

#include <QHash>
#include <QString>

namespace VireoStudio {

class ImportTarget {
public:
    explicit ImportTarget(LibraryDatabase& library);
    ~ImportTarget();
    ImportTarget(const ImportTarget&) = delete;
    ImportTarget& operator=(const ImportTarget&) = delete;

    // Entries skipped as duplicates so far: the first occurrence of a file wins.
    qint64 skippedDuplicates() const { return duplicates; }

    // The id of the node whose URI equals uri without regard to the case of ASCII letters.
    bool findNodeIdByUri(const QString& uri, quint64& nodeId);
    // The playlist that imported items of playlistType go to. A user playlist (type 255) is
    // found by name, without regard to case, and created when missing; an empty name finds
    // none. Playlists of any other type must exist already and are never created here.
    bool getImportPlaylistId(quint64& playlistId, int playlistType, const QString& name);

protected:
    // Prepares the look-ups and the append; the importers call it with their own statements.
    bool prepareTargetStatements();
    // A statement of the library connection; false when the text does not prepare.
    Statement libraryStatement(const char* text) { return library.statement(text); }
    // Appends the node after the items the playlist holds now.
    bool appendToPlaylist(quint64 playlistId, quint64 nodeId);
    // The same, unless the playlist holds the node already: for nodes that an import meets
    // more than once (a file listed twice under URIs that differ in letter case, a download of
    // a file the library import brought in).
    bool appendUnlessHeld(quint64 playlistId, quint64 nodeId);
    // Counts one entry of the older release's data skipped because an earlier one brought the
    // same file (or download) in already.
    void skipDuplicate() { ++duplicates; }
    // The name of the node of a URI: the last segment of its path as the URL parser reads it
    // (percent-encoding decoded), or the whole path when it has no "/". A text the parser
    // cannot take as a URL is its own path.
    static QString nodeName(const QString& uri);
    // The id an INSERT that has just succeeded with one row gave its row.
    static bool insertedId(const Statement& insert, quint64& id);

    LibraryDatabase& library;

private:
    bool prepared = false;
    Statement selectNode;
    Statement selectPlaylistByType;
    Statement selectUserPlaylist;
    Statement insertPlaylist;
    Statement nextOrder;
    Statement holdsNode;
    Statement insertItem;
    // Playlists found or created so far: built-in ones by type, user playlists by the exact
    // name asked for (see getImportPlaylistId).
    QHash<int, quint64> playlistsByType;
    QHash<QString, quint64> userPlaylistsByName;
    // The next play order of each playlist appended to so far, read at its first append.
    QHash<quint64, qint64> nextOrders;
    qint64 duplicates = 0;
};

} // namespace VireoStudio
