#include "PlaylistNames.h"

typedef VireoStudio::MediaManagerInterface M;

QString builtInPlaylistName(int playlistType) {
    switch (playlistType) {
    case 1:
        return QStringLiteral("All files");
    case 2:
        return QStringLiteral("Videos");
    case M::PLAYLIST_TYPE_QUEUE:
        return QStringLiteral("Download queue");
    case M::PLAYLIST_TYPE_ACQUIRED:
        return QStringLiteral("Acquired");
    case M::PLAYLIST_TYPE_RECENT:
        return QStringLiteral("Recently played");
    default:
        return QStringLiteral("Built-in playlist %1").arg(playlistType);
    }
}

QString playlistName(M::PlaylistInterface* playlist) {
    if (!playlist->isNameNull())
        return playlist->getName();
    return builtInPlaylistName(playlist->getPlaylistType());
}
