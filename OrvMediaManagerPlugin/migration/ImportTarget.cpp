#include "ImportTarget.h"

#include "database/SqlValues.h"
#include "playlists/PlaylistStatements.h"
#include "playlists/PlaylistTypes.h"
#include "rows/NodeStatements.h"

#include <QUrl>

namespace VireoStudio {

namespace {

using namespace PlaylistStatements;

// User playlists made by an import hold video files in manual order.
const int kUserPlaylistMediaType = 1;

// The first column of the first row as an id; false when there is no row or no number.
bool firstId(Statement& query, quint64& id) {
    bool ok = false;
    if (query.exec() && query.next())
        id = orv::toUInt64(query.value(0), &ok);
    query.finish();
    return ok;
}

// Whether a URI is "file:///" and a path of nothing but ASCII letters, digits and "-._~:/":
// no escapes to decode, no query or fragment, no host. The URL parser reads such a path just
// as it is written, so its last segment can be cut from the text itself; that spares parsing
// a URL for each of the many files an import brings.
bool isPlainFileUri(const QString& uri) {
    static const QLatin1String scheme("file:///");
    if (!uri.startsWith(scheme))
        return false;
    for (qsizetype i = scheme.size(); i < uri.size(); ++i) {
        const char16_t c = uri.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
              c == u'-' || c == u'.' || c == u'_' || c == u'~' || c == u':' || c == u'/'))
            return false;
    }
    return true;
}

} // namespace

ImportTarget::ImportTarget(LibraryDatabase& library) : library(library) {}

ImportTarget::~ImportTarget() = default;

bool ImportTarget::prepareTargetStatements() {
    if (!prepared) {
        selectNode = libraryStatement(NodeStatements::kNodeIdByUri);
        selectPlaylistByType = libraryStatement(kPlaylistOfType);
        selectUserPlaylist = libraryStatement(kIdOfName);
        insertPlaylist = libraryStatement(kInsertPlaylist);
        nextOrder = libraryStatement(kNextOrder);
        holdsNode = libraryStatement(kItemOfNode);
        insertItem = libraryStatement(kInsertItem);
        prepared = selectNode && selectPlaylistByType && selectUserPlaylist && insertPlaylist &&
                   nextOrder && holdsNode && insertItem;
    }
    return prepared;
}

bool ImportTarget::findNodeIdByUri(const QString& uri, quint64& nodeId) {
    if (!prepareTargetStatements())
        return false;
    orv::bind(selectNode, ":URI", uri);
    return firstId(selectNode, nodeId);
}

bool ImportTarget::getImportPlaylistId(quint64& playlistId, int playlistType, const QString& name) {
    if (!prepareTargetStatements())
        return false;
    // The import's own writes are the only ones to the playlist table while it runs, and they
    // only ever add a user playlist whose name no playlist matched. So a playlist once found
    // or created stays the one the look-up finds, and is remembered instead of looked up for
    // every item. User playlists are remembered by the exact name: another spelling of it in
    // a different case misses here, and the look-up (which ignores case) finds the same one.
    if (playlistType != PlaylistTypes::kUser) {
        const auto known = playlistsByType.constFind(playlistType);
        if (known != playlistsByType.constEnd()) {
            playlistId = known.value();
            return true;
        }
        selectPlaylistByType.bindValue(":TYPE", playlistType);
        if (!firstId(selectPlaylistByType, playlistId))
            return false;
        playlistsByType.insert(playlistType, playlistId);
        return true;
    }
    if (name.isEmpty())
        return false;
    const auto known = userPlaylistsByName.constFind(name);
    if (known != userPlaylistsByName.constEnd()) {
        playlistId = known.value();
        return true;
    }
    orv::bind(selectUserPlaylist, ":NAME", name);
    if (!firstId(selectUserPlaylist, playlistId)) {
        orv::bind(insertPlaylist, ":NAME", name);
        insertPlaylist.bindValue(":TYPE", playlistType);
        insertPlaylist.bindValue(":MEDIA", kUserPlaylistMediaType);
        insertPlaylist.bindValue(":SORT", PlaylistTypes::kManualOrder);
        if (!insertPlaylist.exec() || !insertedId(insertPlaylist, playlistId))
            return false;
    }
    userPlaylistsByName.insert(name, playlistId);
    return true;
}

bool ImportTarget::appendToPlaylist(quint64 playlistId, quint64 nodeId) {
    if (!prepareTargetStatements())
        return false;
    // While an import runs, its own appends are the only writes to playlist_item (inside the
    // start-up transaction; a failed append ends the import). So a playlist's next order is
    // read at its first append and counted on from there, which gives every item the order
    // reading it anew would give it, without reading it again for each of thousands.
    auto next = nextOrders.find(playlistId);
    if (next == nextOrders.end()) {
        qint64 order = 0;
        if (!readNextOrder(nextOrder, QVariant(playlistId), &order))
            return false;
        next = nextOrders.insert(playlistId, order);
    }
    orv::bind(insertItem, ":PID", playlistId);
    orv::bind(insertItem, ":NID", nodeId);
    insertItem.bindValue(":ORDER", next.value());
    if (!insertItem.exec())
        return false;
    ++next.value();
    return true;
}

bool ImportTarget::appendUnlessHeld(quint64 playlistId, quint64 nodeId) {
    if (!prepareTargetStatements())
        return false;
    orv::bind(holdsNode, ":PID", playlistId);
    orv::bind(holdsNode, ":NID", nodeId);
    if (!holdsNode.exec())
        return false;
    const bool held = holdsNode.next();
    holdsNode.finish();
    return held || appendToPlaylist(playlistId, nodeId);
}

QString ImportTarget::nodeName(const QString& uri) {
    if (isPlainFileUri(uri))
        return uri.mid(uri.lastIndexOf(QLatin1Char('/')) + 1);
    const QString path = QUrl(uri, QUrl::TolerantMode).path();
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool ImportTarget::insertedId(const Statement& insert, quint64& id) {
    if (insert.numRowsAffected() != 1)
        return false;
    bool ok = false;
    id = orv::toUInt64(insert.lastInsertId(), &ok);
    return ok;
}

} // namespace VireoStudio
