#pragma once

// Keeping the system playlists in step with the library's nodes, and telling live playlists
// that what they have read of their items no longer holds.

#include "rows/RowOwner.h"

#include <QList>

namespace VireoStudio {
namespace SystemPlaylists {

// The node joins the system playlists of the types in join (appended last) and leaves those in
// leave, all in one transaction. A node stored just now (newNode) is in no playlist yet, which
// spares looking.
bool update(RowOwner& owner, quint64 nodeId, const QList<int>& join, const QList<int>& leave,
            bool newNode = false);

// Live playlists that hold the node forget what they have read of their items.
void invalidatePlaylistsOfNode(LibraryContext& context, quint64 nodeId);
// One live playlist (the in-memory playlist of recent files among them) forgets what it read.
void invalidatePlaylist(LibraryContext& context, quint64 playlistId);
// Every live playlist does.
void invalidateAll(LibraryContext& context);

} // namespace SystemPlaylists
} // namespace VireoStudio
