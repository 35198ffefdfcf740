// The playlist catalogue: counting, listing, finding, creating, storing and deleting playlists.

#include "plugin/OperationFrame.h"

namespace VireoStudio {

qint64 OrvMediaManagerPlugin::getPlaylistCount(int playlistType) {
    const OperationFrame frame(*this);
    (void)playlistType;
    return 0;
}

bool OrvMediaManagerPlugin::getPlaylistAt(int playlistType, quint64 index,
                                          PlaylistInterface** out) {
    const OperationFrame frame(*this);
    (void)playlistType;
    (void)index;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::getPlaylist(quint64 playlistId, PlaylistInterface** out) {
    const OperationFrame frame(*this);
    (void)playlistId;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::findPlaylist(const QString& name, PlaylistInterface** out) {
    const OperationFrame frame(*this);
    (void)name;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newPlaylist(const QString& name, int mediaFileType,
                                        PlaylistInterface** out) {
    const OperationFrame frame(*this);
    (void)name;
    (void)mediaFileType;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::deletePlaylist(quint64 playlistId) {
    const OperationFrame frame(*this);
    (void)playlistId;
    return false;
}

bool OrvMediaManagerPlugin::addPlaylist(PlaylistInterface* playlist) {
    const OperationFrame frame(*this);
    (void)playlist;
    return false;
}

bool OrvMediaManagerPlugin::getPlaylistIndex(int playlistType, const QString& name,
                                             qint64* index) {
    const OperationFrame frame(*this);
    (void)playlistType;
    (void)name;
    (void)index;
    return false;
}

} // namespace VireoStudio
