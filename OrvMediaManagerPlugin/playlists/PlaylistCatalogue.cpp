// The playlist catalogue: counting, listing, finding, creating, storing and deleting playlists.
// One stored playlist has at most one live object; the ten most recently loaded or stored stay
// alive in the playlist cache.

#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace VireoStudio {

namespace {

const char kCountOfType[] = "SELECT count(playlist_id) FROM playlist WHERE playlist_type = :TYPE;";
const char kIdOfTypeAt[] = "SELECT playlist_id, name FROM playlist WHERE playlist_type = :TYPE "
                           "ORDER BY name LIMIT 1 OFFSET :INDEX;";
const char kSelectById[] = "SELECT playlist_id AS playlist_id, name AS name, playlist_type AS "
                           "playlist_type, media_file_type AS media_file_type, sort_flags AS "
                           "sort_flags FROM playlist WHERE playlist_id = :ID;";
const char kSelectByName[] = "SELECT playlist_id AS playlist_id, name AS name, playlist_type AS "
                             "playlist_type, media_file_type AS media_file_type, sort_flags AS "
                             "sort_flags FROM playlist WHERE name = :NAME;";
const char kIdOfName[] = "SELECT playlist_id FROM playlist WHERE name = :NAME;";
const char kInsertPlaylist[] = "INSERT INTO playlist (name, playlist_type, media_file_type, "
                               "sort_flags) VALUES(:NAME, :PTYPE, :MTYPE, :SORT);";
const char kDeletePlaylist[] = "DELETE FROM playlist WHERE playlist_id = :ID;";
const char kCountNamedBefore[] =
    "SELECT count(playlist_id) FROM playlist WHERE playlist_type = :TYPE AND name < :NAME";

} // namespace

qint64 OrvMediaManagerPlugin::getPlaylistCount(int playlistType) {
    const OperationFrame frame(*this);
    if (!frame)
        return 0;
    if (const qint64* cached = context->playlistCountCache.object(playlistType))
        return *cached;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kCountOfType)))
        return 0;
    query.bindValue(QStringLiteral(":TYPE"), playlistType);
    if (!query.exec() || !query.next())
        return 0;
    bool ok = false;
    const quint64 counted = orv::toUInt64(query.value(0), &ok);
    if (!ok)
        return 0;
    context->playlistCountCache.insert(playlistType, new qint64(qint64(counted)), 1);
    return qint64(counted);
}

bool OrvMediaManagerPlugin::getPlaylistAt(int playlistType, quint64 index,
                                          PlaylistInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    if (playlistType == Playlist::TypeRecent)
        return getPlaylist(Playlist::kRecentListId, out);
    // Each system type has one playlist: only user playlists are counted past index 0.
    const quint64 offset = playlistType == Playlist::TypeUser ? index : 0;
    if (!orv::fitsOffset(offset))
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kIdOfTypeAt)))
        return false;
    query.bindValue(QStringLiteral(":TYPE"), playlistType);
    orv::bind(query, QStringLiteral(":INDEX"), QVariant(offset));
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value(0));
    query.finish();
    return getPlaylist(id, out);
}

namespace {

// A playlist object from one row of the playlist selections, named as given.
Playlist* buildPlaylist(OrvMediaManagerPlugin* owner, const QSqlRecord& row, const QString& name) {
    auto* playlist = new Playlist(owner, name, orv::toUInt64(row.value("playlist_id")),
                                  row.value("media_file_type").toInt());
    playlist->playlistType = row.value("playlist_type");
    playlist->sortFlags = row.value("sort_flags");
    return playlist;
}

} // namespace

bool OrvMediaManagerPlugin::getPlaylist(quint64 playlistId, PlaylistInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    if (LibraryContext::handOutLive(context->livePlaylists, playlistId, out))
        return true;
    Playlist* playlist = nullptr;
    if (playlistId == Playlist::kRecentListId) {
        playlist = new Playlist(this, QString(), playlistId, 0);
        playlist->playlistType = int(Playlist::TypeRecent);
        playlist->sortFlags = Playlist::kRecentListSortFlags;
    } else {
        QSqlQuery query = context->newQuery();
        if (!query.prepare(QLatin1String(kSelectById)))
            return false;
        orv::bind(query, QStringLiteral(":ID"), QVariant(playlistId));
        if (!query.exec() || !query.next())
            return false;
        playlist = buildPlaylist(this, query.record(), query.value("name").toString());
    }
    copyOut(static_cast<PlaylistInterface*>(playlist), out);
    LibraryContext::registerRow<PlaylistInterface>(context->livePlaylists, context->playlistCache,
                                                   playlistId, playlist);
    return true;
}

bool OrvMediaManagerPlugin::findPlaylist(const QString& name, PlaylistInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kSelectByName)))
        return false;
    query.bindValue(QStringLiteral(":NAME"), name);
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value("playlist_id"));
    if (LibraryContext::handOutLive(context->livePlaylists, id, out))
        return true;
    // The match ignores letter case; the object carries the name as the caller spelled it.
    Playlist* playlist = buildPlaylist(this, query.record(), name);
    copyOut(static_cast<PlaylistInterface*>(playlist), out);
    LibraryContext::registerRow<PlaylistInterface>(context->livePlaylists, context->playlistCache,
                                                   id, playlist);
    return true;
}

bool OrvMediaManagerPlugin::newPlaylist(const QString& name, int mediaFileType,
                                        PlaylistInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kIdOfName)))
        return false;
    query.bindValue(QStringLiteral(":NAME"), name);
    if (!query.exec() || query.next())
        return false; // the name is taken, in whatever letter case
    handOutNew(static_cast<PlaylistInterface*>(new Playlist(this, name, mediaFileType)), out);
    return true;
}

bool OrvMediaManagerPlugin::deletePlaylist(quint64 playlistId) {
    const OperationFrame frame(*this);
    if (!frame || playlistId == Playlist::kRecentListId)
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kDeletePlaylist)))
        return false;
    orv::bind(query, QStringLiteral(":ID"), QVariant(playlistId));
    beginTransaction();
    if (!query.exec() || !commitTransaction()) {
        rollbackTransaction();
        return false;
    }
    context->playlistCountCache.clear();
    context->systemPlaylistIds.clear();
    forgetPlaylist(playlistId, true);
    return true;
}

bool OrvMediaManagerPlugin::addPlaylist(PlaylistInterface* playlist) {
    if (playlist && (!playlist->isNew() || playlist->getPlaylistType() == Playlist::TypeRecent))
        return true; // stored already, or the in-memory playlist: nothing to store
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    auto* own = dynamic_cast<Playlist*>(playlist);
    if (!own)
        return false;
    beginTransaction();
    QSqlQuery query = context->newQuery();
    if (query.prepare(QLatin1String(kInsertPlaylist))) {
        orv::bind(query, QStringLiteral(":NAME"), own->name);
        orv::bind(query, QStringLiteral(":PTYPE"), own->playlistType);
        orv::bind(query, QStringLiteral(":MTYPE"), own->mediaFileType);
        orv::bind(query, QStringLiteral(":SORT"), own->sortFlags);
        if (query.exec() && query.numRowsAffected() == 1 && !orv::isNotSet(query.lastInsertId())) {
            const quint64 id = orv::toUInt64(query.lastInsertId());
            if (commitTransaction()) {
                own->id = QVariant(id);
                LibraryContext::registerRow<PlaylistInterface>(context->livePlaylists,
                                                               context->playlistCache, id, own);
                context->noteStoredRow(LibraryContext::RowKind::Playlist, id, true);
                context->playlistCountCache.clear();
                return true;
            }
        }
    }
    rollbackTransaction();
    return false;
}

bool OrvMediaManagerPlugin::getPlaylistIndex(int playlistType, const QString& name, qint64* index) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    if (playlistType != Playlist::TypeUser) {
        if (index)
            *index = 0;
        return true;
    }
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kCountNamedBefore)))
        return false;
    query.bindValue(QStringLiteral(":TYPE"), playlistType);
    query.bindValue(QStringLiteral(":NAME"), name);
    if (!query.exec() || !query.next())
        return false;
    bool ok = false;
    const qint64 position = query.value(0).toLongLong(&ok);
    if (index)
        *index = position;
    return ok;
}

} // namespace VireoStudio
