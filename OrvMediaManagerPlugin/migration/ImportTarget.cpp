#include "ImportTarget.h"

#include "MediaManagerInterface.h"
#include "database/SqlValues.h"

#include <QUrl>

namespace VireoStudio {

namespace {

const char kSelectNodeByUri[] = "SELECT node_id FROM node WHERE uri = :URI";
const char kSelectPlaylistByType[] = "SELECT playlist_id FROM playlist WHERE playlist_type = :TYPE";
const char kSelectUserPlaylist[] =
    "SELECT playlist_id FROM playlist WHERE playlist_type = :TYPE AND name = :NAME";
const char kInsertUserPlaylist[] = "INSERT INTO playlist (name, playlist_type, media_file_type, "
                                   "sort_flags) VALUES(:NAME, :TYPE, :MEDIA, :SORT)";
// play_order is the number of items before the insert, so the node goes last. The count is
// read once per playlist and then kept (see appendToPlaylist).
const char kCountItems[] =
    "SELECT count(playlist_item_id) FROM playlist_item WHERE playlist_id = :PID";
const char kAppendItem[] = "INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                           "VALUES(:PID, :NID, :ORDER);";

// User playlists made by an import hold video files in manual order.
const int kUserPlaylistMediaType = 1;
const int kUserPlaylistSortFlags = MediaManagerInterface::SORT_MANUAL;

// The first column of the first row as an id; false when there is no row or no number.
bool firstId(QSqlQuery& query, quint64& id) {
    bool ok = false;
    if (query.exec() && query.next())
        id = orv::toUInt64(query.value(0), &ok);
    query.finish();
    return ok;
}

} // namespace

ImportTarget::ImportTarget(const QSqlDatabase& library)
    : library(library), selectNode(library), selectPlaylistByType(library),
      selectUserPlaylist(library), insertUserPlaylist(library), countItems(library),
      insertItem(library) {}

bool ImportTarget::prepareTargetStatements() {
    if (!prepared)
        prepared = selectNode.prepare(QLatin1String(kSelectNodeByUri)) &&
                   selectPlaylistByType.prepare(QLatin1String(kSelectPlaylistByType)) &&
                   selectUserPlaylist.prepare(QLatin1String(kSelectUserPlaylist)) &&
                   insertUserPlaylist.prepare(QLatin1String(kInsertUserPlaylist)) &&
                   countItems.prepare(QLatin1String(kCountItems)) &&
                   insertItem.prepare(QLatin1String(kAppendItem));
    return prepared;
}

bool ImportTarget::findNodeIdByUri(const QString& uri, quint64& nodeId) {
    if (!prepareTargetStatements())
        return false;
    orv::bind(selectNode, QStringLiteral(":URI"), uri);
    return firstId(selectNode, nodeId);
}

bool ImportTarget::getImportPlaylistId(quint64& playlistId, int playlistType, const QString& name) {
    if (!prepareTargetStatements())
        return false;
    if (playlistType != MediaManagerInterface::PLAYLIST_TYPE_USER) {
        selectPlaylistByType.bindValue(QStringLiteral(":TYPE"), playlistType);
        return firstId(selectPlaylistByType, playlistId);
    }
    if (name.isEmpty())
        return false;
    selectUserPlaylist.bindValue(QStringLiteral(":TYPE"), playlistType);
    orv::bind(selectUserPlaylist, QStringLiteral(":NAME"), name);
    if (firstId(selectUserPlaylist, playlistId))
        return true;
    orv::bind(insertUserPlaylist, QStringLiteral(":NAME"), name);
    insertUserPlaylist.bindValue(QStringLiteral(":TYPE"), playlistType);
    insertUserPlaylist.bindValue(QStringLiteral(":MEDIA"), kUserPlaylistMediaType);
    insertUserPlaylist.bindValue(QStringLiteral(":SORT"), kUserPlaylistSortFlags);
    return insertUserPlaylist.exec() && insertedId(insertUserPlaylist, playlistId);
}

bool ImportTarget::appendToPlaylist(quint64 playlistId, quint64 nodeId) {
    if (!prepareTargetStatements())
        return false;
    // While an import runs, its own appends are the only writes to playlist_item (inside the
    // start-up transaction; a failed append ends the import). So a playlist's count is read at
    // its first append and counted on from there, which gives every item the order counting
    // the rows anew would give it, without counting them again for each of thousands.
    auto count = itemCounts.find(playlistId);
    if (count == itemCounts.end()) {
        orv::bind(countItems, QStringLiteral(":PID"), playlistId);
        bool ok = false;
        qint64 items = 0;
        if (countItems.exec() && countItems.next())
            items = countItems.value(0).toLongLong(&ok);
        countItems.finish();
        if (!ok)
            return false;
        count = itemCounts.insert(playlistId, items);
    }
    orv::bind(insertItem, QStringLiteral(":PID"), playlistId);
    orv::bind(insertItem, QStringLiteral(":NID"), nodeId);
    insertItem.bindValue(QStringLiteral(":ORDER"), count.value());
    if (!insertItem.exec())
        return false;
    ++count.value();
    return true;
}

QString ImportTarget::nodeName(const QString& uri) {
    const QString path = QUrl(uri, QUrl::TolerantMode).path();
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool ImportTarget::insertedId(const QSqlQuery& insert, quint64& id) {
    if (insert.numRowsAffected() != 1)
        return false;
    bool ok = false;
    id = orv::toUInt64(insert.lastInsertId(), &ok);
    return ok;
}

} // namespace VireoStudio
