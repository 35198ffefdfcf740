#pragma once

// The playlist catalogue: counting, listing, finding, creating, storing and deleting playlists.
// One stored playlist has at most one live object; the ten most recently loaded or stored stay
// alive in the playlist cache. The media-library interface's catalogue operations, with the
// plugin that owns the rows.

#include "rows/RowOwner.h"

namespace VireoStudio {
namespace PlaylistCatalogue {

typedef MediaManagerInterface M;

qint64 getPlaylistCount(RowOwner& owner, int playlistType);
bool getPlaylistAt(RowOwner& owner, int playlistType, quint64 index, M::PlaylistInterface** out);
bool getPlaylist(RowOwner& owner, quint64 playlistId, M::PlaylistInterface** out);
bool findPlaylist(RowOwner& owner, const QString& name, M::PlaylistInterface** out);
bool newPlaylist(RowOwner& owner, const QString& name, int mediaFileType,
                 M::PlaylistInterface** out);
bool deletePlaylist(RowOwner& owner, quint64 playlistId);
bool addPlaylist(RowOwner& owner, M::PlaylistInterface* playlist);
bool getPlaylistIndex(RowOwner& owner, int playlistType, const QString& name, qint64* index);

} // namespace PlaylistCatalogue
} // namespace VireoStudio
