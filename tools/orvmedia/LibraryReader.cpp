#include "LibraryReader.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace {
const char kConnectionName[] = "orvmedia-reader";
// Tables whose rows may be counted; the name is never taken from a caller into the text.
const char* const kCountableTables[] = {"node",          "media_file",    "video_file",
                                        "playlist",      "playlist_item", "recent_file",
                                        "acquired_file", "queued_file"};

const char kMaxNodeId[] = "SELECT max(node_id) FROM node";
const char kMaxPlaylistId[] = "SELECT max(playlist_id) FROM playlist";
const char kMaxPlaylistItemId[] = "SELECT max(playlist_item_id) FROM playlist_item";
const char kFilesAfter[] = "SELECT count(*) FROM node WHERE node_id > :MARK "
                           "AND node_id NOT IN (SELECT node_id FROM queued_file)";
const char kUserPlaylistsAfter[] =
    "SELECT count(*) FROM playlist WHERE playlist_id > :MARK AND playlist_type = 255";
const char kPlaylistItemsAfter[] =
    "SELECT count(*) FROM playlist_item WHERE playlist_item_id > :MARK";
const char kDownloadsAfter[] = "SELECT count(*) FROM queued_file WHERE node_id > :MARK";

// A mark that cannot be read (no file, no table, no row) counts as 0: every row is newer.
qint64 orZero(qint64 value) {
    return value > 0 ? value : 0;
}
} // namespace

LibraryReader::LibraryReader(const QString& path) : connection(QLatin1String(kConnectionName)) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=120000"));
    db.setDatabaseName(path);
    db.open();
}

LibraryReader::~LibraryReader() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

qint64 LibraryReader::schemaVersion() const {
    return single(QStringLiteral("SELECT version FROM schema_data"));
}

qint64 LibraryReader::count(const QString& table) const {
    for (const char* known : kCountableTables) {
        if (table == QLatin1String(known))
            return single(QStringLiteral("SELECT count(*) FROM ") + table);
    }
    return -1;
}

LibraryReader::Marks LibraryReader::marks() const {
    Marks marks;
    marks.version = orZero(schemaVersion());
    marks.node = orZero(single(QLatin1String(kMaxNodeId)));
    marks.playlist = orZero(single(QLatin1String(kMaxPlaylistId)));
    marks.playlistItem = orZero(single(QLatin1String(kMaxPlaylistItemId)));
    return marks;
}

LibraryReader::Imported LibraryReader::importedSince(const Marks& before) const {
    Imported imported;
    imported.files = orZero(single(QLatin1String(kFilesAfter), before.node));
    imported.playlists = orZero(single(QLatin1String(kUserPlaylistsAfter), before.playlist));
    imported.playlistItems =
        orZero(single(QLatin1String(kPlaylistItemsAfter), before.playlistItem));
    imported.downloads = orZero(single(QLatin1String(kDownloadsAfter), before.node));
    return imported;
}

qint64 LibraryReader::single(const QString& statement, const QVariant& mark) const {
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!query.prepare(statement))
        return -1;
    if (mark.isValid())
        query.bindValue(QStringLiteral(":MARK"), mark);
    if (!query.exec() || !query.next())
        return -1;
    bool ok = false;
    const qint64 value = query.value(0).toLongLong(&ok);
    return ok ? value : -1;
}
