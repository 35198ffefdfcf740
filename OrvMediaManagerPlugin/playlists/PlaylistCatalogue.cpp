#include "playlists/PlaylistCatalogue.h"

#include "playlists/Playlist.h"
#include "playlists/PlaylistStatements.h"

namespace VireoStudio {

namespace {

using namespace PlaylistStatements;
typedef MediaManagerInterface M;

// A playlist object from the current row of a playlist selection, named as given.
Playlist* buildPlaylist(RowOwner& owner, const Statement& row, const QString& name) {
    auto* playlist = new Playlist(&owner, name, orv::toUInt64(row.value("playlist_id")),
                                  row.value("media_file_type").toInt());
    playlist->playlistType = row.value("playlist_type");
    playlist->sortFlags = row.value("sort_flags");
    return playlist;
}

} // namespace

qint64 PlaylistCatalogue::getPlaylistCount(RowOwner& owner, int playlistType) {
    const OperationFrame frame(owner);
    if (!frame)
        return 0;
    LibraryContext& context = owner.context();
    if (const qint64* cached = context.knownPlaylistCount(playlistType))
        return *cached;
    Statement query = context.statement(kCountOfType);
    if (!query)
        return 0;
    query.bindValue(":TYPE", playlistType);
    if (!query.exec() || !query.next())
        return 0;
    bool ok = false;
    const quint64 counted = orv::toUInt64(query.value(0), &ok);
    if (!ok)
        return 0;
    context.rememberPlaylistCount(playlistType, qint64(counted));
    return qint64(counted);
}

bool PlaylistCatalogue::getPlaylistAt(RowOwner& owner, int playlistType, quint64 index,
                                      M::PlaylistInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    if (playlistType == Playlist::TypeRecent)
        return getPlaylist(owner, Playlist::kRecentListId, out);
    // Each system type has one playlist: only user playlists are counted past index 0.
    const quint64 offset = playlistType == Playlist::TypeUser ? index : 0;
    if (!orv::fitsOffset(offset))
        return false;
    Statement query = owner.context().statement(kIdOfTypeAt);
    if (!query)
        return false;
    query.bindValue(":TYPE", playlistType);
    orv::bind(query, ":INDEX", QVariant(offset));
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value(0));
    query.finish();
    return getPlaylist(owner, id, out);
}

bool PlaylistCatalogue::getPlaylist(RowOwner& owner, quint64 playlistId,
                                    M::PlaylistInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    if (context.handOutPlaylist(playlistId, out))
        return true;
    Playlist* playlist = nullptr;
    if (playlistId == Playlist::kRecentListId) {
        playlist = new Playlist(&owner, QString(), playlistId, 0);
        playlist->playlistType = int(Playlist::TypeRecent);
        playlist->sortFlags = Playlist::kRecentListSortFlags;
    } else {
        Statement query = context.statement(kSelectById);
        if (!query)
            return false;
        orv::bind(query, ":ID", QVariant(playlistId));
        if (!query.exec() || !query.next())
            return false;
        playlist = buildPlaylist(owner, query, query.value("name").toString());
    }
    copyOut(static_cast<M::PlaylistInterface*>(playlist), out);
    context.registerPlaylist(playlistId, playlist);
    return true;
}

bool PlaylistCatalogue::findPlaylist(RowOwner& owner, const QString& name,
                                     M::PlaylistInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    Statement query = context.statement(kSelectByName);
    if (!query)
        return false;
    query.bindValue(":NAME", name);
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value("playlist_id"));
    if (context.handOutPlaylist(id, out))
        return true;
    // The match ignores letter case; the object carries the name as the caller spelled it.
    Playlist* playlist = buildPlaylist(owner, query, name);
    query.finish();
    copyOut(static_cast<M::PlaylistInterface*>(playlist), out);
    context.registerPlaylist(id, playlist);
    return true;
}

bool PlaylistCatalogue::newPlaylist(RowOwner& owner, const QString& name, int mediaFileType,
                                    M::PlaylistInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    Statement query = owner.context().statement(kIdOfName);
    if (!query)
        return false;
    query.bindValue(":NAME", name);
    if (!query.exec() || query.next())
        return false; // the name is taken, in whatever letter case
    handOutNew(static_cast<M::PlaylistInterface*>(new Playlist(&owner, name, mediaFileType)), out);
    return true;
}

bool PlaylistCatalogue::deletePlaylist(RowOwner& owner, quint64 playlistId) {
    const OperationFrame frame(owner);
    if (!frame || playlistId == Playlist::kRecentListId)
        return false;
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    Statement query = context.statement(kDeletePlaylist);
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(playlistId));
    library.beginTransaction();
    if (!query.exec() || !library.commitTransaction()) {
        library.rollbackTransaction();
        return false;
    }
    context.forgetPlaylistCounts();
    context.forgetPlaylist(playlistId, true);
    return true;
}

bool PlaylistCatalogue::addPlaylist(RowOwner& owner, M::PlaylistInterface* playlist) {
    if (playlist && (!playlist->isNew() || playlist->getPlaylistType() == Playlist::TypeRecent))
        return true; // stored already, or the in-memory playlist: nothing to store
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    auto* own = dynamic_cast<Playlist*>(playlist);
    if (!own)
        return false;
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    library.beginTransaction();
    Statement query = context.statement(kInsertPlaylist);
    if (query) {
        orv::bind(query, ":NAME", own->name);
        orv::bind(query, ":TYPE", own->playlistType);
        orv::bind(query, ":MEDIA", own->mediaFileType);
        orv::bind(query, ":SORT", own->sortFlags);
        if (query.exec() && query.numRowsAffected() == 1 && !orv::isNotSet(query.lastInsertId())) {
            const quint64 id = orv::toUInt64(query.lastInsertId());
            query.finish();
            if (library.commitTransaction()) {
                own->id = QVariant(id);
                context.registerPlaylist(id, own);
                context.noteStoredRow(LibraryContext::RowKind::Playlist, id, true);
                context.forgetPlaylistCounts();
                return true;
            }
        }
    }
    library.rollbackTransaction();
    return false;
}

bool PlaylistCatalogue::getPlaylistIndex(RowOwner& owner, int playlistType, const QString& name,
                                         qint64* index) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    if (playlistType != Playlist::TypeUser) {
        if (index)
            *index = 0;
        return true;
    }
    Statement query = owner.context().statement(kCountNamedBefore);
    if (!query)
        return false;
    query.bindValue(":TYPE", playlistType);
    query.bindValue(":NAME", name);
    if (!query.exec() || !query.next())
        return false;
    bool ok = false;
    const qint64 position = query.value(0).toLongLong(&ok);
    if (index)
        *index = position;
    return ok;
}

} // namespace VireoStudio
