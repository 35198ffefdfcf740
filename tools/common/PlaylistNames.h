#pragma once

// The names people read for playlists: a user playlist's own name, and for the built-in ones
// the name of what they hold.

#include "MediaManagerInterface.h"

#include <QString>

// "All files", "Videos", "Download queue", "Acquired", "Recently played" for the built-in
// types that hold something; "Built-in playlist N" for the others.
QString builtInPlaylistName(int playlistType);

// The playlist's name, or the built-in name of its type when it has none.
QString playlistName(VireoStudio::MediaManagerInterface::PlaylistInterface* playlist);
